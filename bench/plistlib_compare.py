#!/usr/bin/env python3
"""Python's plistlib saving and opening a shoot day, for figures beside project_file_bench.

The same log as the benchmark: 2,000 records with a 60 KB JPEG-like picture each (a 165 MB
XML property list). Prints the median wall and CPU time of saving (written and flushed to disk) and
opening, and the peak resident memory of a fresh process doing one of each.

    python3 bench/plistlib_compare.py [--folder DIR] [--repeats N]
"""

import argparse
import os
import plistlib
import random
import statistics
import subprocess
import sys
import time

RECORDS = 2000
PICTURE_BYTES = 60 * 1024


def shoot_day():
    rng = random.Random(7)
    values = ["Glimmark", "Version: 1.0", "Ostraven", "", "32", "", "", "", "", ""]
    for r in range(1, RECORDS + 1):
        jpeg = b"\xff\xd8" + rng.randbytes(PICTURE_BYTES - 4) + b"\xff\xd9"
        values += [str(r), "10:00:00:00", "10:00:08:12", "", "09:15:00", "Take & retake <3>",
                   "Szene 12 \u2013 au\u00dfen", "07.12.2026", "", jpeg]
    return values


def save(values, path):
    with open(path, "wb") as out:
        plistlib.dump(values, out)
        out.flush()
        os.fsync(out.fileno())


def load(path):
    with open(path, "rb") as source:
        return plistlib.load(source)


def high_water_kb():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def peak_mb(what, path):
    # The probe reports its own high-water mark: a child's ru_maxrss would also count the
    # memory of this process, which it starts as a copy of.
    probe = subprocess.run([sys.executable, __file__, "--probe", what, path], check=True,
                           capture_output=True, text=True)
    return int(probe.stdout) * 1024 / 1e6


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", default="/tmp")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--probe", nargs=2, metavar=("WHAT", "FILE"))
    args = parser.parse_args()
    if args.probe:
        what, path = args.probe
        if what == "save":
            save(shoot_day(), path)
        else:
            load(path)
        print(high_water_kb())
        return

    path = os.path.join(args.folder, "glimmark-bench-plistlib.vlg")
    values = shoot_day()
    # Wall and CPU time, as Google Benchmark reports them: on a busy machine the CPU time is
    # the figure that compares.
    saves, opens = [], []
    for _ in range(args.repeats):
        for action, times in ((lambda: save(values, path), saves), (lambda: load(path), opens)):
            wall, cpu = time.perf_counter(), time.process_time()
            action()
            times.append((time.perf_counter() - wall, time.process_time() - cpu))
    del values
    size = os.path.getsize(path) / 1e6
    open_peak = peak_mb("open", path)
    save_peak = peak_mb("save", path)
    os.remove(path)
    print(f"plistlib file {size:.1f} MB")
    for name, times in (("save", saves), ("open", opens)):
        wall = statistics.median(t[0] for t in times) * 1000
        cpu = statistics.median(t[1] for t in times) * 1000
        print(f"plistlib {name} median {wall:.0f} ms wall, {cpu:.0f} ms CPU")
    print(f"plistlib peak open {open_peak:.0f} MB ({open_peak / size:.2f}x file), "
          f"save {save_peak:.0f} MB ({save_peak / size:.2f}x file)")


if __name__ == "__main__":
    main()
