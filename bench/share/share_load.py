#!/usr/bin/env python3
"""Load on the shared web view: event streams held open and a steady rate of page and thumbnail
requests against `glimmark --simulate --serve`, beside the same requests against Python's static
file server serving the same page and thumbnails.

    python3 bench/share/share_load.py build/vexaLogging3/glimmark [--streams 200] [--rate 50]
                                      [--seconds 60]

Prints failed requests, lost events (takes logged during the run that a stream did not get),
the time from a log start to its event at the streams, request latencies and the program's
resident memory over the run.

The log start's moment is not sent to the page; it is put where the running timecode says:
the simulated machine runs in real time, so the earliest timecode event seen anywhere fixes
the offset between timecode and this machine's clock (an event can only come later than the
moment it tells, so the offset is the smallest difference). A take's start timecode plus that
offset is when it was logged.
"""

import argparse
import asyncio
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse


def tc_seconds(tc, fps=25):
    h, m, s, f = (int(x) for x in re.split(r"[:;.]", tc))
    return h * 3600 + m * 60 + s + f / fps


async def http_get(host, port, path, timeout=10.0):
    reader, writer = await asyncio.wait_for(asyncio.open_connection(host, port), timeout)
    try:
        writer.write(f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\nConnection: close\r\n\r\n"
                     .encode())
        await writer.drain()
        data = await asyncio.wait_for(reader.read(), timeout)
    finally:
        writer.close()
    head, _, body = data.partition(b"\r\n\r\n")
    status = int(head.split(b" ", 2)[1]) if head.startswith(b"HTTP/1.") else 0
    return status, body


class Stream:
    def __init__(self):
        self.takes = {}       # key -> arrival time
        self.resets = 0
        self.error = None

    async def run(self, host, port, path, tc_offsets, stop):
        try:
            reader, writer = await asyncio.open_connection(host, port)
            writer.write(f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\n\r\n".encode())
            await writer.drain()
            head = await reader.readuntil(b"\r\n\r\n")
            if b" 200 " not in head.split(b"\r\n")[0]:
                self.error = head.split(b"\r\n")[0].decode()
                return
            chunked = b"chunked" in head.lower()
            buffer = b""
            while not stop.is_set():
                if chunked:
                    size_line = await reader.readuntil(b"\r\n")
                    size = int(size_line.strip() or b"0", 16)
                    if size == 0:
                        break
                    data = await reader.readexactly(size + 2)
                    buffer += data[:-2]
                else:
                    data = await reader.read(65536)
                    if not data:
                        break
                    buffer += data
                now = time.monotonic()
                while b"\n\n" in buffer:
                    event, buffer = buffer.split(b"\n\n", 1)
                    name, payload = "message", ""
                    for line in event.decode("utf-8", "replace").split("\n"):
                        if line.startswith("event: "):
                            name = line[7:]
                        elif line.startswith("data: "):
                            payload = line[6:]
                    if name == "take":
                        self.takes.setdefault(json.loads(payload)["key"], (now, json.loads(payload)["start"]))
                    elif name == "reset":
                        self.resets += 1
                    elif name == "timecode":
                        tc = json.loads(payload)["timecode"]
                        if tc:
                            tc_offsets.append(now - tc_seconds(tc))
            writer.close()
        except (OSError, asyncio.IncompleteReadError, ValueError) as e:
            if not stop.is_set():
                self.error = repr(e)


async def request_load(host, port, paths, rate, seconds, results):
    """`rate` requests a second, each on a connection of its own, the paths in turn."""
    started = time.monotonic()
    tasks = []
    n = 0

    async def one(path):
        t0 = time.monotonic()
        try:
            status, body = await http_get(host, port, path)
            ok = status == 200 and len(body) > 0
            why = status
        except (OSError, asyncio.TimeoutError, ValueError) as e:
            ok = False
            why = type(e).__name__
        results.append((ok, time.monotonic() - t0, why))

    while time.monotonic() - started < seconds:
        tasks.append(asyncio.create_task(one(paths[n % len(paths)])))
        n += 1
        await asyncio.sleep(max(0.0, started + n / rate - time.monotonic()))
    await asyncio.gather(*tasks)


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def percentile(values, p):
    if not values:
        return float("nan")
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def summary(name, results):
    failed = sum(1 for ok, _, _ in results if not ok)
    reasons = {}
    for ok, _, why in results:
        if not ok:
            reasons[why] = reasons.get(why, 0) + 1
    lat = [t * 1000 for ok, t, _ in results if ok]
    print(f"{name}: {len(results)} requests, {failed} failed, latency median "
          f"{statistics.median(lat) if lat else float('nan'):.1f} ms, p99 {percentile(lat, 99):.1f} ms"
          + (f", failures {reasons}" if reasons else ""))
    return failed


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("glimmark")
    parser.add_argument("--streams", type=int, default=200)
    parser.add_argument("--rate", type=float, default=50)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()

    # Settings and crash copies of its own: a crash copy left by another run would open with a
    # question first.
    home = tempfile.mkdtemp(prefix="glimmark-load-")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=home + "/config",
               XDG_STATE_HOME=home + "/state")
    program = subprocess.Popen([args.glimmark, "--simulate", "--serve", "127.0.0.1:0"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    try:
        url = program.stdout.readline().strip()
        parts = urllib.parse.urlsplit(url)
        host, port, base = parts.hostname, parts.port, parts.path
        print(f"serving at {url}")
        await asyncio.sleep(6)  # a few takes with pictures first
        status, body = await http_get(host, port, base + "log.json")
        before = {t["key"] for t in json.loads(body)["takes"]}
        thumbs = [t["thumb"] for t in json.loads(body)["takes"] if t["thumb"]]
        paths = [base] + [base + t for t in thumbs]

        # The same page and thumbnails as files, for the static server.
        static = tempfile.mkdtemp(prefix="glimmark-static-")
        os.makedirs(os.path.join(static, "thumb"))
        for path in paths:
            status, data = await http_get(host, port, path)
            name = "index.html" if path == base else path[len(base):]
            with open(os.path.join(static, name), "wb") as f:
                f.write(data)
        python = subprocess.Popen([sys.executable, "-m", "http.server", "0", "--bind", "127.0.0.1",
                                   "--directory", static], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        static_port = int(re.search(r"port (\d+)", python.stdout.readline()).group(1))
        static_paths = ["/"] + ["/" + t for t in thumbs]

        stop = asyncio.Event()
        tc_offsets = []
        streams = [Stream() for _ in range(args.streams)]
        stream_tasks = [asyncio.create_task(s.run(host, port, base + "events", tc_offsets, stop))
                        for s in streams]
        await asyncio.sleep(1)
        memory = [rss_kib(program.pid)]

        async def sample():
            while not stop.is_set():
                await asyncio.sleep(10)
                memory.append(rss_kib(program.pid))
        sampler = asyncio.create_task(sample())

        glim_results, static_results = [], []
        await asyncio.gather(
            request_load(host, port, paths, args.rate, args.seconds, glim_results),
            request_load("127.0.0.1", static_port, static_paths, args.rate, args.seconds,
                         static_results))
        await asyncio.sleep(2)  # the last take's event on its way
        status, body = await http_get(host, port, base + "log.json")
        final = json.loads(body)["takes"]
        stop.set()
        sampler.cancel()
        for task in stream_tasks:
            task.cancel()
        python.terminate()

        logged = [t for t in final if t["key"] not in before]
        # Takes started in the last second may not have reached anyone yet: not counted.
        lost = 0
        latencies = []
        offset = min(tc_offsets) if tc_offsets else 0.0
        for s in streams:
            for take in logged:
                got = s.takes.get(take["key"])
                if got is None:
                    lost += 1
                else:
                    latencies.append((got[0] - (tc_seconds(take["start"]) + offset)) * 1000)
        errors = [s.error for s in streams if s.error]
        print(f"streams: {args.streams} open, {len(errors)} failed {errors[:3]}, "
              f"{sum(s.resets for s in streams)} resets")
        print(f"takes logged during the run: {len(logged)}; lost events: {lost} of "
              f"{len(logged) * args.streams}")
        print(f"log start -> event at a stream: median {percentile(latencies, 50):.0f} ms, "
              f"p99 {percentile(latencies, 99):.0f} ms, max {max(latencies or [0]):.0f} ms")
        failed = summary("glimmark requests", glim_results)
        summary("python3 -m http.server requests", static_results)
        print("glimmark resident memory (MiB) every 10 s: " +
              " ".join(f"{m / 1024:.1f}" for m in memory))
        return 0 if failed == 0 and lost == 0 and not errors else 1
    finally:
        program.terminate()
        program.wait()


if __name__ == "__main__":
    sys.exit(asyncio.run(main()))
