#!/usr/bin/env python3
"""Faults nobody picked: generated mutants of the program, and whether the tests catch them.

Every place in vexaLogging3/ and tools/ where a standard mutation operator fits is a candidate:
a comparison turned (< <=, == !=, ...), && and || swapped, a negation dropped, + and - swapped,
++ and -- swapped, an integer constant moved up or down by one (0 and 1 swapped), true and false
swapped, a call statement removed, a returned value replaced by an empty one, an index shifted
by one. Comments, strings, preprocessor lines, logging, asserts and capacity hints (reserve)
are passed over. N of them
are drawn with a seed (the date by default, so each day tries others), each is built and run
against the test binaries that cover its file (core_tests for the logic; --whole-suite adds
every other unit test binary when those miss), and every survivor is printed as
`file:line: operator: old -> new`, then `killed K of N (score P %)`. A mutant that does not
build, or whose object code comes out the same as the original's (equivalent), is listed apart
and not counted.

    scripts/mutants.py [-n 40] [--seed S] [--files GLOB ...] [--build DIR] [--in-place]
    scripts/mutants.py -n 30 --changed 0.5         half from the files changed since the last
                                                   tag (else the last 20 commits)
    scripts/mutants.py --list [--files ...]        every candidate, nothing built

By default the mutants are built in a private copy of the work tree (`<repo>-mutants/`, with
its own build folder, no debug information), so the developer's tree and build are never
touched. `--in-place --build build` mutates the tree itself and rebuilds that build (for a
throwaway clone, as CI); each file is put back as it was, with a fresh time stamp so the build
picks it up again. Only the test target a mutant needs is rebuilt, each binary stops at its
first failure, and the tests that caught earlier mutants of the same file run first.
"""
import argparse
import datetime
import fnmatch
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Test binaries that cover a file, by the longest matching prefix. The rest of the suite runs
# only when these let a mutant through, so a survivor has met every unit test there is.
COVER = [
    ("vexaLogging3/frontend/", ["qt_tests"]),
    ("vexaLogging3/platform/qt/", ["qt_tests"]),
    ("vexaLogging3/platform/files/", ["core_tests", "plist_tests", "cli_tests"]),
    ("vexaLogging3/platform/jack/", ["timecode_jack_tests"]),
    ("vexaLogging3/platform/plist/", ["plist_tests", "cli_tests"]),
    ("vexaLogging3/platform/http/", ["share_tests"]),
    ("vexaLogging3/platform/midi/", ["midi_tests", "midi_jack_tests"]),
    ("vexaLogging3/platform/video/", ["video_tests"]),
    ("vexaLogging3/share/", ["share_tests"]),
    ("vexaLogging3/handover/", ["core_tests", "handover_file_tests"]),
    # The grabs' JPEG quality is the still's, which the capture tests decode.
    ("vexaLogging3/documents/PictureExport.h", ["core_tests", "plist_tests", "cli_tests", "video_tests"]),
    ("vexaLogging3/documents/", ["core_tests", "plist_tests", "cli_tests"]),
    # The log table and the live page read the log through its observer and its keys.
    ("vexaLogging3/loglist/", ["core_tests", "cli_tests", "qt_tests", "share_tests"]),
    ("tools/glimmark-cli/", ["cli_tests", "handover_file_tests"]),
    ("tools/vexasim/LtcPlayer", ["timecode_jack_tests"]),
    # The simulator's JACK side and its command line are what the JACK link's tests talk to.
    ("tools/vexasim/JackVirtualInterface", ["vexasim_tests", "midi_jack_tests"]),
    ("tools/vexa-sim/", ["vexasim_tests", "midi_jack_tests"]),
    ("tools/", ["vexasim_tests"]),
    # The simulated MIDI system inherits the interface's defaults.
    ("vexaLogging3/platform/Midi.h", ["core_tests", "vexasim_tests"]),
    ("vexaLogging3/", ["core_tests"]),
]
ALL_BINARIES = ["core_tests", "plist_tests", "cli_tests", "handover_file_tests", "qt_tests",
                "share_tests", "video_tests", "vexasim_tests", "midi_tests", "midi_jack_tests",
                "timecode_jack_tests"]
# Binaries that use the JACK server take turns with every other JACK test on the machine.
JACK = {"midi_jack_tests", "timecode_jack_tests"}
# The CLI's hostile files take minutes and test what no mutant here changes.
FILTERS = {"cli_tests": "Runs/*"}
# Binaries whose tests mostly wait (on fake clocks' real-time steps, on threads): a few shards
# side by side finish in a fraction of the time one process takes.
SHARDS = {"core_tests": 4}
# The window and soak checks drive the whole program for minutes: not per mutant.
NEVER = ["vexaLogging3/frontend/main.cpp"]
# The platform fakes are what the tests measure with: a fault there is a fault in the tests.
FAKES = "vexaLogging3/platform/fake/"

# A capacity asked for ahead is a hint: whatever size it names, the program does the same.
HINTS = re.compile(r"\.(reserve|shrink_to_fit)\(")

# Lines that only report: a mutant there changes what is said, not what is done.
QUIET = re.compile(r"\b(assert|static_assert|systemLog|SystemLog|qWarning|qDebug|qCritical|"
                   r"fprintf|std::cerr|std::clog|perror)\b")


def code_mask(text):
    """The text with comments, string and character literals blanked to spaces (line breaks
    kept), so that operators are looked for only in code."""
    out = list(text)
    i, n = 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            m = re.match(r'R"([^(\s]{0,16})\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
            blank(i, j)
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, min(j + 1, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


REL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
CALL_STATEMENT = re.compile(r"^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*[A-Za-z_]\w*\(.*\);)\s*$")
NOT_CALLS = {"return", "if", "while", "for", "switch", "delete", "throw", "sizeof", "co_await"}


def balanced(s):
    depth = 0
    for c in s:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def mutants_of_line(code, raw):
    """(column, operator, old, new) for each mutant that fits one line of code."""
    found = []
    stripped = code.strip()
    if not stripped or stripped.startswith("#") or QUIET.search(raw) or HINTS.search(code):
        return found
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", code):
        found.append((m.start(), "relational", m.group(1), REL[m.group(1)]))
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        found.append((m.start(), "logical", m.group(1), "||" if m.group(1) == "&&" else "&&"))
    for m in re.finditer(r"(?<![\w!=)\]])!(?=[\w(])", code):
        found.append((m.start(), "negation", "!", ""))
    if '"' not in raw:
        for m in re.finditer(r"(?<=\s)([+-])(?=\s)", code):
            found.append((m.start(), "arithmetic", m.group(1), "-" if m.group(1) == "+" else "+"))
    for m in re.finditer(r"(?<![+\-])(\+\+|--)(?![+\-=])", code):
        found.append((m.start(), "increment", m.group(1), "--" if m.group(1) == "++" else "++"))
    for m in re.finditer(r"\b(true|false)\b", code):
        found.append((m.start(), "constant", m.group(1), "false" if m.group(1) == "true" else "true"))
    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9A-Fa-f]+|\d+)([uUlLzZ]*)(?![\w.'])", code):
        digits = m.group(1)
        value = int(digits, 0) if not (len(digits) > 1 and digits[0] == "0" and digits[1] not in "xX") else int(digits, 8)
        shown = hex if digits[:2].lower() == "0x" else str
        for moved in ([1] if value == 0 else [0] if value == 1 else [value + 1, value - 1]):
            found.append((m.start(), "constant", digits, shown(moved)))
    for m in re.finditer(r"(?<=[\w)\]])\[([^\[\]]+)\]", code):
        inner = m.group(1)
        if re.fullmatch(r"\s*\d+\s*", inner) or re.search(r"[=&]|this", inner):
            continue
        found.append((m.start(1), "index", inner, inner + " + 1"))
    m = re.match(r"^(\s*)return (.+);\s*$", code)
    if m and m.group(2).strip() not in ("{}", "true", "false", "nullptr", "0", "1"):
        found.append((m.start(2), "return", m.group(2), "{}"))
    m = CALL_STATEMENT.match(code)
    if m and m.group(2).split("(")[0].split(".")[-1] not in NOT_CALLS and balanced(m.group(2)):
        found.append((m.start(2), "call removed", m.group(2), ";"))
    # The patterns matched the code with its strings blanked out; what is replaced is the text
    # as written. An index whose brackets hold a string literal is a key, not a position.
    written = []
    for col, op, old, new in found:
        text = raw[col:col + len(old)]
        if text != old and op == "index":
            continue
        written.append((col, op, text, new))
    return written


def program_files(patterns):
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard",
                             "vexaLogging3", "tools"], cwd=ROOT, capture_output=True, text=True,
                            check=True).stdout.split()
    files = [f for f in listed if f.endswith((".cpp", ".h")) and not f.startswith(FAKES)
             and os.path.isfile(os.path.join(ROOT, f))]
    if patterns:
        return sorted(f for f in files
                      if any(fnmatch.fnmatch(f, p) or f.startswith(p.rstrip("/") + "/") for p in patterns))
    return sorted(f for f in files if f not in NEVER)


def candidates(files, source_root):
    out = []
    for f in files:
        text = open(os.path.join(source_root, f), encoding="utf-8").read()
        masked = code_mask(text).split("\n")
        raw = text.split("\n")
        for number, (code, line) in enumerate(zip(masked, raw), start=1):
            for col, op, old, new in mutants_of_line(code, line):
                out.append({"file": f, "line": number, "col": col, "op": op, "old": old, "new": new})
    return out


def cover(path):
    for prefix, binaries in COVER:
        if path.startswith(prefix):
            return binaries
    return ["core_tests"]


def sh(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


class Workspace:
    """A source tree to mutate and the build folder that builds it."""

    def __init__(self, build, in_place):
        self.build = os.path.abspath(build)
        flags = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DGLIMMARK_BENCH=OFF"]
        if in_place:
            self.src = ROOT
        else:
            self.src = ROOT.rstrip("/") + "-mutants"
            self.build = os.path.join(self.src, "build")
            self._mirror()
            # A build of its own may leave out what no mutant needs: debug information is much
            # of a compile's time and most of a link's, and lld links in a fraction of ld's.
            flags.append("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG")
            if shutil.which("ld.lld"):
                flags += ["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld", "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"]
        if not os.path.exists(os.path.join(self.build, "build.ninja")):
            r = sh(["cmake", "-S", self.src, "-B", self.build, "-G", "Ninja", *flags])
            if r.returncode:
                sys.exit(r.stdout + r.stderr)
        self.objects = defaultdict(list)
        commands = os.path.join(self.build, "compile_commands.json")
        if os.path.exists(commands):
            for entry in json.load(open(commands)):
                # CMake here (3.25, Ninja) names the object only in the command.
                named = re.search(r"\s-o\s+(\S+)", entry.get("command", ""))
                out = entry.get("output") or (named.group(1) if named else None)
                if out:
                    self.objects[os.path.realpath(entry["file"])].append(
                        os.path.join(entry["directory"], out))
        self.binaries = {}

    def _mirror(self):
        # The tree as it stands, uncommitted changes too; files that did not change keep their
        # time stamps, so the private build only rebuilds what moved since the last run.
        listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                                cwd=ROOT, capture_output=True, check=True).stdout.decode().split("\0")
        for f in filter(None, listed):
            src, dst = os.path.join(ROOT, f), os.path.join(self.src, f)
            if not os.path.isfile(src):
                continue
            if os.path.exists(dst) and open(src, "rb").read() == open(dst, "rb").read():
                continue
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copy2(src, dst)
            # Newer than anything built from it: the copy may put back a file that a run cut
            # short left mutated, and whose objects are newer than the original's time stamp.
            os.utime(dst)

    def make(self, targets):
        if not targets:
            return subprocess.CompletedProcess([], 0, "", "")
        # A group of its own, so that an interrupted run stops the compilers too.
        child = subprocess.Popen(["cmake", "--build", self.build, "--target", *targets, "--", "-j2"],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                 errors="replace", start_new_session=True)
        try:
            out, _ = child.communicate()
        except BaseException:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            raise
        return subprocess.CompletedProcess(child.args, child.returncode, out, "")

    def binary(self, name):
        if name not in self.binaries:
            self.binaries[name] = None
            for dirpath, _, names in os.walk(os.path.join(self.build, "tests")):
                if name in names:
                    self.binaries[name] = os.path.join(dirpath, name)
                    break
        return self.binaries[name]

    def object_files(self, path):
        return sorted(self.objects.get(os.path.realpath(os.path.join(self.src, path)), []))

    def rebuilt(self, path, since):
        """Whether an object of the source file was built at `since` or later (a file whose
        objects are not known counts as rebuilt)."""
        objects = self.object_files(path)
        return not objects or any(os.path.exists(o) and os.path.getmtime(o) >= since - 1
                                  for o in objects)

    def code_hash(self, path):
        """The hash of the objects built from a source file, without debug information."""
        objects = self.object_files(path)
        if not objects:
            return None
        h = hashlib.sha256()
        for obj in objects:
            if not os.path.exists(obj):
                return None
            with tempfile.TemporaryDirectory() as tmp:
                stripped = os.path.join(tmp, "o")
                if sh(["objcopy", "--strip-debug", obj, stripped]).returncode:
                    return None
                h.update(open(stripped, "rb").read())
        return h.hexdigest()


def verdict_of(out, how):
    """The tests a binary's output names as failed; else the one it was in when it stopped."""
    failed = [t for t in re.findall(r"^\[  FAILED  \] ([^\s,]+)", out, re.M) if "." in t]
    if failed:
        return list(dict.fromkeys(failed))
    started = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
    ended = set(re.findall(r"^\[ {7}OK \] (\S+)", out, re.M))
    last = [t for t in started if t not in ended]
    return [f"{last[-1] if last else '?'} ({how})"]


def failures_of(out):
    """Where each failing test failed, for the kill matrix: "@Suite.Name|file:line|traces", one
    per failed assertion; the traces tell which row of a table was running."""
    found = []
    for block in re.split(r"^\[ RUN      \] ", out, flags=re.M)[1:]:
        test = block.split("\n", 1)[0].strip()
        for at in re.finditer(r"^(\S+?\.(?:cpp|h)):(\d+): Failure$", block, re.M):
            rest = block[at.end():]
            rest = rest[:min((i for i in (rest.find("\n[ "), rest.find(": Failure\n"))
                              if i >= 0), default=len(rest))]
            traces = re.findall(r"^\S+?:\d+: (.*)$", rest.split("Google Test trace:", 1)[1], re.M) \
                if "Google Test trace:" in rest else []
            found.append(f"@{test}|{os.path.basename(at[1])}:{at[2]}|{';'.join(traces)}")
    return list(dict.fromkeys(found))


def mutated_text(original, m):
    """The file's text with the mutant in: a drawn one at its line and column; one planted by
    hand (a row of mutation-check.sh, a list of faults) where its old text stands, which must
    be once; None when it is not."""
    if "line" not in m:
        return original.replace(m["old"], m["new"]) if original.count(m["old"]) == 1 else None
    lines = original.split("\n")
    line = lines[m["line"] - 1]
    assert line[m["col"]:m["col"] + len(m["old"])] == m["old"], m
    lines[m["line"] - 1] = line[:m["col"]] + m["new"] + line[m["col"] + len(m["old"]):]
    return "\n".join(lines)


def run_binary(ws, name, gfilter, timeout, shards=1, every=False):
    """None when every test passed; else the tests that failed, or the one that crashed or hung.
    The binary stops at its first failure: one is enough to kill a mutant. Split into shards,
    it runs as that many processes side by side, and the first to fail stops the others.
    With `every` (the kill matrix), each shard runs to its end and all their failures count."""
    exe = ws.binary(name)
    if exe is None:
        return None
    cmd = [exe, *([] if every else ["--gtest_fail_fast"]), "--gtest_filter=" + gfilter]
    if name in JACK:
        cmd = ["flock", "/tmp/glimmark-jack-tests.lock"] + cmd
    children = []
    try:
        for index in range(shards):
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            if shards > 1:
                env.update(GTEST_TOTAL_SHARDS=str(shards), GTEST_SHARD_INDEX=str(index))
            out = tempfile.TemporaryFile()
            # A session of its own, so that a hung test and every child it started end together;
            # run where ctest runs it, so that a mutant writing beside the test litters the
            # build, not the checkout.
            children.append((subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                              stdin=subprocess.DEVNULL, start_new_session=True,
                                              cwd=os.path.dirname(exe)), out))
        deadline = time.monotonic() + timeout
        running = list(children)
        failed = []
        while running:
            for child, out in list(running):
                code = child.poll()
                if code is None:
                    continue
                running.remove((child, out))
                if code:
                    out.seek(0)
                    text = out.read().decode("utf-8", "replace")
                    failed += verdict_of(text, "crashed")
                    if not every:
                        return failed
                    failed += failures_of(text)
            if time.monotonic() > deadline:
                for child, out in running:
                    os.killpg(child.pid, signal.SIGKILL)
                    child.wait()
                    out.seek(0)
                    failed += verdict_of(out.read().decode("utf-8", "replace"), "hung")
                return failed
            time.sleep(0.02)
        return failed or None
    finally:
        for child, out in children:
            if child.poll() is None:
                try:
                    os.killpg(child.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                child.wait()
            out.close()


def run_tests(ws, binaries, timeouts, known):
    """The first binary that fails, with its failing tests, or None. The tests that caught
    earlier mutants of the same file (known: binary -> test names) run first, alone: they are
    the likeliest to catch this one too, and mostly take a fraction of the whole binary."""
    for i, name in enumerate(binaries):
        # Each binary after the first is built only when the ones before it let the mutant by.
        if i > 0 and ws.make([name]).returncode:
            continue
        base = FILTERS.get(name, "*")
        first = known.get(name, [])[:12]
        if first:
            failed = run_binary(ws, name, ":".join(first), timeouts[name])
            if failed:
                return name, failed
            base += ("-" if "-" not in base else ":") + ":".join(first)
        failed = run_binary(ws, name, base, timeouts[name], SHARDS.get(name, 1))
        if failed:
            return name, failed
    return None


def changed_files(since):
    """The program files changed since a commit (the last tag, else the last 20 commits), the
    work tree's uncommitted changes included."""
    def git(*a):
        return subprocess.run(["git", *a], cwd=ROOT, capture_output=True, text=True)
    if not since:
        tag = git("describe", "--tags", "--abbrev=0")
        since = tag.stdout.strip() if tag.returncode == 0 else None
    if not since:
        count = int(git("rev-list", "--count", "HEAD").stdout.strip() or 0)
        since = f"HEAD~{min(20, count - 1)}" if count > 1 else "HEAD"
    names = git("diff", "--name-only", since, "--", "vexaLogging3", "tools").stdout.split()
    return since, set(names)


def interrupted(*_):
    # A mutant in the tree must be put back whatever stops the run.
    raise KeyboardInterrupt


def main():
    signal.signal(signal.SIGTERM, interrupted)
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("-n", type=int, default=40, help="mutants to draw (default 40)")
    p.add_argument("--seed", default=datetime.date.today().strftime("%Y%m%d"),
                   help="the draw's seed (default: today's date)")
    p.add_argument("--files", nargs="*", default=[], help="files or folders or globs to mutate")
    p.add_argument("--changed", type=float, default=0, metavar="SHARE",
                   help="draw this share of the N from files changed since --since, the rest "
                        "from the other files")
    p.add_argument("--since", help="the commit --changed counts from (default: the last tag, "
                                   "else 20 commits back)")
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--in-place", action="store_true", help="mutate this tree and rebuild --build")
    p.add_argument("--whole-suite", action="store_true",
                   help="when the tests that cover a file miss a mutant, run every other unit "
                        "test binary on it too (slower; by default only the covering tests run)")
    p.add_argument("--list", action="store_true", help="print the candidates and stop")
    p.add_argument("--skip-headers", action="store_true",
                   help="leave headers out: a mutant in a header rebuilds everything that includes it")
    p.add_argument("--record", help="append every verdict to this file, one JSON object a line")
    p.add_argument("--budget", type=float, metavar="SECONDS",
                   help="start no mutant after this many seconds; the drawn mutants then run in "
                        "random order, so those left out are a random share too")
    p.add_argument("--replay", metavar="RECORD",
                   help="try again the survivors a --record file holds (after new tests)")
    p.add_argument("--min-score", type=float, default=0, help="exit 1 below this score (percent)")
    args = p.parse_args()

    files = program_files(args.files)
    if args.skip_headers:
        files = [f for f in files if not f.endswith(".h")]
    pool = candidates(files, ROOT)
    if args.list:
        for m in pool:
            print(f"{m['file']}:{m['line']}: {m['op']}: {m['old']} -> {m['new']}")
        print(f"{len(pool)} candidates in {len(files)} files")
        return 0
    rng = random.Random(str(args.seed))
    if args.replay:
        keys = {(m["file"], m["line"], m["col"], m["op"], m["old"], m["new"]) for m in pool}
        drawn = []
        for row in map(json.loads, open(args.replay)):
            key = (row["file"], row["line"], row["col"], row["op"], row["old"], row["new"])
            if row["verdict"] == "survived" and key in keys and dict(zip(("file", "line", "col", "op", "old", "new"), key)) not in drawn:
                drawn.append(dict(zip(("file", "line", "col", "op", "old", "new"), key)))
        print(f"{len(drawn)} survivors of {args.replay} still in place", flush=True)
    elif args.changed:
        since, recent = changed_files(args.since)
        near = [m for m in pool if m["file"] in recent]
        far = [m for m in pool if m["file"] not in recent]
        k = min(len(near), round(args.n * args.changed))
        drawn = rng.sample(near, k) + rng.sample(far, min(args.n - k, len(far)))
        print(f"{k} of {len(near)} candidates in the {len(recent & set(files))} files changed "
              f"since {since}, {len(drawn) - k} of {len(far)} in the rest", flush=True)
    else:
        drawn = rng.sample(pool, min(args.n, len(pool)))
    if not args.budget:
        # File by file: the build then compiles little but the mutant itself.
        drawn.sort(key=lambda m: (m["file"], m["line"], m["col"]))
    print(f"{len(drawn)} of {len(pool)} candidates in {len(files)} files, seed {args.seed}", flush=True)
    record = open(args.record, "a") if args.record else None

    ws = Workspace(args.build, args.in_place)
    built = ws.make(sorted({b for m in drawn for b in cover(m["file"])}))
    if built.returncode:
        sys.exit(built.stdout[-4000:] + "\nthe unmutated tree does not build")
    # Equivalence is judged against the object code of the tree as it is, before any mutant.
    base = {f: ws.code_hash(f) for f in {m["file"] for m in drawn} if f.endswith(".cpp")}

    # Each binary's own time, unmutated, bounds its time under a mutant, so a mutant that
    # hangs a test is caught; a binary that fails unmutated gives no verdicts.
    timeouts = {}

    def tests(binaries):
        wanted = [b for b in binaries if b not in timeouts]
        if wanted:
            ws.make(wanted)
            for name in wanted:
                began = time.monotonic()
                if run_binary(ws, name, FILTERS.get(name, "*"), 900, SHARDS.get(name, 1)):
                    print(f"note: {name} fails unmutated; its verdicts are left out", flush=True)
                    timeouts[name] = None
                elif ws.binary(name) is None:
                    timeouts[name] = None
                else:
                    timeouts[name] = 3 * (time.monotonic() - began) + 20
        return [b for b in binaries if timeouts.get(b)]

    started = time.monotonic()
    killed, survived, unbuilt, equivalent, uncovered = 0, [], [], [], []
    per_folder = defaultdict(lambda: [0, 0])
    known = defaultdict(lambda: defaultdict(list))
    for m in drawn:
        began = time.monotonic()
        if args.budget and began - started > args.budget:
            print(f"time is up: {len(drawn) - drawn.index(m)} mutants left untried", flush=True)
            break
        path = os.path.join(ws.src, m["file"])
        original = open(path, encoding="utf-8").read()
        text = mutated_text(original, m)
        where = f"{m['file']}:{m['line']}: {m['op']}: {m['old']} -> {m['new']}"
        primary = tests(cover(m["file"]))
        rest = [b for b in ALL_BINARIES if b not in cover(m["file"])] if args.whole_suite else []
        verdict, caught = None, None
        try:
            written = time.time()
            open(path, "w", encoding="utf-8").write(text)
            if not primary:
                verdict = "uncovered"
            elif ws.make(primary[:1]).returncode:
                verdict = "unbuilt"
            elif not ws.rebuilt(m["file"], written) and (
                    ws.make(primary[1:]).returncode or not ws.rebuilt(m["file"], written)):
                # No covering test builds this file (the first may not link it: midi_tests
                # has no JACK): no verdict either way.
                verdict = "uncovered"
            elif base.get(m["file"]) and ws.code_hash(m["file"]) == base[m["file"]]:
                verdict = "equivalent"
            else:
                # The tests that caught mutants of this file, then of its folder, run first.
                folder = os.path.dirname(m["file"])
                likely = {b: list(dict.fromkeys(known[m["file"]][b] + known[folder][b]))
                          for b in set(known[m["file"]]) | set(known[folder])}
                caught = run_tests(ws, primary, timeouts, likely)
                if not caught and any(b not in timeouts for b in rest):
                    # The rest of the suite is timed on the tree as it is, not on the mutant.
                    open(path, "w", encoding="utf-8").write(original)
                    tests(rest)
                    open(path, "w", encoding="utf-8").write(text)
                if not caught and rest:
                    others = [b for b in rest if timeouts.get(b)]
                    if not ws.make(others).returncode:
                        caught = run_tests(ws, others, timeouts, likely)
                verdict = "killed" if caught else "survived"
        finally:
            open(path, "w", encoding="utf-8").write(original)
            os.utime(path)
        seconds = time.monotonic() - began
        if record:
            record.write(json.dumps(dict(m, seed=str(args.seed), verdict=verdict, seconds=round(seconds, 1),
                                         by=caught and f"{caught[0]}: {caught[1][0]}")) + "\n")
            record.flush()
        if verdict == "unbuilt":
            unbuilt.append(where)
            continue
        if verdict == "equivalent":
            equivalent.append(where)
            continue
        if verdict == "uncovered":
            uncovered.append(where)
            continue
        folder = os.path.dirname(m["file"])
        per_folder[folder][1] += 1
        if caught:
            name, failed = caught
            test = failed[0].split(" (")[0]
            for mine in (known[m["file"]][name], known[folder][name]):
                if test in mine:
                    mine.remove(test)
                if test != "?":
                    mine.insert(0, test)
            killed += 1
            per_folder[folder][0] += 1
            print(f"killed   {where}  [{name}: {failed[0]}] {seconds:.0f} s", flush=True)
        else:
            survived.append(where)
            print(f"SURVIVED {where}  {seconds:.0f} s", flush=True)
    ws.make([b for b in timeouts])
    elapsed = time.monotonic() - started

    counted = killed + len(survived)
    print(f"\n{len(unbuilt)} did not build, {len(equivalent)} equivalent (same object code), "
          f"{len(uncovered)} outside their tests' build:")
    for w in unbuilt:
        print("  not built  " + w)
    for w in equivalent:
        print("  equivalent " + w)
    for w in uncovered:
        print("  uncovered  " + w)
    print("\nsurvivors:")
    for w in survived:
        print(w)
    print("\nby folder:")
    for folder, (k, n) in sorted(per_folder.items()):
        print(f"  {folder:32} {k:4} of {n:4} ({100 * k / n:5.1f} %)")
    score = 100 * killed / counted if counted else 100.0
    tried = counted + len(unbuilt) + len(equivalent) + len(uncovered)
    print(f"{elapsed / max(1, tried):.1f} s a mutant over {tried} (seed {args.seed})")
    print(f"killed {killed} of {counted} (score {score:.1f} %) in {elapsed:.0f} s")
    return 1 if score < args.min_score else 0


if __name__ == "__main__":
    sys.exit(main())
