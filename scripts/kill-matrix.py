#!/usr/bin/env python3
"""Which tests catch which faults: every failing test of every mutant, and the test cases that
could go without any caught mutant going uncaught.

mutants.py stops at a mutant's first failing test, which is all a score needs. Deciding which
tests earn their lines needs every test that fails: this runs the same generated mutants (and,
with --hand, the rows of mutation-check.sh) against all the test binaries that cover each file,
to the end, and appends one JSON line a mutant to --out. --report reads such files and lists
the test cases whose every catch some other case makes too, largest first, dropping them one by
one as long as each caught mutant keeps a catcher (a hand-made row: a catcher in a binary the
row names, all the gate runs; a row caught only elsewhere is named). A case that caught nothing
is listed apart: no evidence either way, its subject may just not have been drawn.

    scripts/kill-matrix.py --out m.jsonl -n 200 [--seed S] [--hand] [--jack N]
    scripts/kill-matrix.py --out m.jsonl --faults planted.jsonl
    scripts/kill-matrix.py --report m.jsonl [more.jsonl ...]

--again SINCE FILE... runs again, from earlier records, every caught fault whose catchers all lie in
test files changed since the commit SINCE (or are gone): what a cut of the tests must not lose.

--faults takes faults someone planted by hand, one JSON line each ({"file", "old", "new",
"why"}, the old text found once in the file), and runs them like the rows.

The JACK binaries run only for the rows that name them and for --jack N mutants drawn from the
JACK adapters (about 40 s each). A mutant takes 8 to 12 s here on two cores.
"""
import argparse
import glob
import json
import os
import random
import re
import subprocess
import sys
import time
from collections import defaultdict

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutants as M  # noqa: E402

JACK_ADAPTERS = ["vexaLogging3/platform/midi/", "vexaLogging3/platform/jack/"]
HAND_FILTERS = {"midi_jack_tests": "LinkOverJack.EachOfTwoHundred*:LinkOverJack.AHungServer*:LinkOverJack.NoServer*",
                "timecode_jack_tests": "LtcRate.*:LtcDecoding.*:JackTimecode.APortThatGoes*"}


def hand_rows():
    """The rows of mutation-check.sh as mutants: the same text replaced the same way."""
    text = open(os.path.join(M.ROOT, "scripts/mutation-check.sh"), encoding="utf-8").read()
    body = text.split("mutants=(", 1)[1].split("\n)\n", 1)[0]
    rows = []
    for line in (l.strip() for l in body.split("\n")):
        if line.startswith("'"):
            row = line[1:-1]
        elif line.startswith('"'):
            row = line[1:-1].replace('\\"', '"').replace("\\\\", "\\").replace("\\$", "$")
        else:
            continue
        binaries, path, old, new, why = row.split("|", 4)
        unescape = lambda s: s.replace("¶", "\n").replace(" or ", " || ")
        rows.append({"hand": len(rows) + 1, "file": path, "old": unescape(old),
                     "new": unescape(new), "binaries": binaries.split(), "why": why})
    return rows


def run(args):
    todo = hand_rows() if args.hand else []
    if args.rows:
        first, _, last = args.rows.partition("-")
        todo = [r for r in todo if int(first) <= r["hand"] <= int(last or first)]
    for path in args.faults or []:
        todo += [dict(json.loads(l), fault=f"{os.path.basename(path)}:{i}")
                 for i, l in enumerate(open(path), 1) if l.strip()]
    if args.again:
        todo += caught_only_in_changed_tests(args.again[0], args.again[1:])
    rng = random.Random(str(args.seed))
    if args.n:
        files = [f for f in M.program_files(args.files) if not f.endswith(".h")
                 and not any(f.startswith(j) for j in JACK_ADAPTERS)]
        todo += sorted(rng.sample(M.candidates(files, M.ROOT), args.n),
                       key=lambda m: (m["file"], m["line"], m["col"]))
    if args.jack:
        files = [f for f in M.program_files(JACK_ADAPTERS) if not f.endswith(".h")]
        todo += sorted(rng.sample(M.candidates(files, M.ROOT), args.jack),
                       key=lambda m: (m["file"], m["line"], m["col"]))
    print(f"{len(todo)} mutants", flush=True)
    ws = M.Workspace(os.path.join(M.ROOT, "build"), False)

    def binaries_of(m):
        return list(dict.fromkeys(m.get("binaries", []) + M.cover(m["file"])))

    def gfilter(m, name):
        return HAND_FILTERS.get(name, "*") if "hand" in m else M.FILTERS.get(name, "*")

    every = sorted({b for m in todo for b in binaries_of(m)})
    built = ws.make(every)
    if built.returncode:
        sys.exit(built.stdout[-3000:] + "\nthe unmutated tree does not build")
    base = {f: ws.code_hash(f) for f in {m["file"] for m in todo} if f.endswith(".cpp")}
    timeouts = {}
    for name in every:
        began = time.monotonic()
        failed = M.run_binary(ws, name, M.FILTERS.get(name, "*"), 900, M.SHARDS.get(name, 1),
                              every=True)
        timeouts[name] = None if failed else 3 * (time.monotonic() - began) + 20
        if failed:
            print(f"note: {name} fails unmutated ({failed[:3]}); left out", flush=True)
    out = open(args.out, "a")
    for m in todo:
        began = time.monotonic()
        path = os.path.join(ws.src, m["file"])
        original = open(path, encoding="utf-8").read()
        mutated = M.mutated_text(original, m)
        if mutated is None:
            out.write(json.dumps(dict(m, verdict="stale")) + "\n")
            continue
        names = [b for b in binaries_of(m) if timeouts.get(b)]
        verdict, killers = None, {}
        try:
            written = time.time()
            open(path, "w", encoding="utf-8").write(mutated)
            if ws.make(names).returncode:
                verdict = "unbuilt"
            elif not ws.rebuilt(m["file"], written):
                verdict = "uncovered"
            elif base.get(m["file"]) and ws.code_hash(m["file"]) == base[m["file"]]:
                verdict = "equivalent"
            else:
                for name in names:
                    failed = M.run_binary(ws, name, gfilter(m, name), timeouts[name],
                                          M.SHARDS.get(name, 1), every=not args.first)
                    if failed:
                        killers[name] = failed
                        if args.first:
                            break
                verdict = "killed" if killers else "survived"
        finally:
            open(path, "w", encoding="utf-8").write(original)
            os.utime(path)
        seconds = round(time.monotonic() - began, 1)
        out.write(json.dumps(dict(m, verdict=verdict, killers=killers, seconds=seconds)) + "\n")
        out.flush()
        where = (f"row {m['hand']}" if "hand" in m else f"fault {m['fault']}" if "fault" in m
                 else f"{m['file']}:{m['line']}: {m['op']}")
        print(f"{verdict:10} {where} ({sum(map(len, killers.values()))} tests) {seconds} s",
              flush=True)
    ws.make(every)


CASE = re.compile(r"^(?:TEST|TEST_F|TEST_P)\(\s*(\w+)\s*,\s*(\w+)\s*\)", re.M)


def test_cases():
    """Suite.Name -> (file, non-blank lines up to the next case)."""
    cases = {}
    for path in glob.glob(os.path.join(M.ROOT, "tests", "**", "*.cpp"), recursive=True):
        text = open(path, encoding="utf-8").read()
        found = list(CASE.finditer(text))
        for i, m in enumerate(found):
            body = text[m.start():found[i + 1].start() if i + 1 < len(found) else len(text)]
            cases[f"{m[1]}.{m[2]}"] = (os.path.relpath(path, M.ROOT),
                                       sum(1 for l in body.split("\n") if l.strip()))
    return cases


def case_of(test):
    """'Prefix/Suite.Name/3 (crashed)' -> 'Suite.Name'."""
    suite, _, name = test.split(" (")[0].partition(".")
    return f"{suite.split('/')[-1]}.{name.split('/')[0]}"


def caught_only_in_changed_tests(since, files):
    """Caught faults of earlier records none of whose catchers is a case in a test file left as
    it was since `since`; a catcher no longer found counts as changed."""
    changed = set(subprocess.run(["git", "-C", M.ROOT, "diff", "--name-only", since, "--", "tests"],
                                 capture_output=True, text=True, check=True).stdout.split())
    cases = test_cases()
    todo, seen = [], set()
    for path in files:
        for line in open(path):
            r = json.loads(line)
            key = (r["file"], r.get("line"), r.get("col"), r["old"], r["new"])
            if r.get("verdict") != "killed" or key in seen:
                continue
            seen.add(key)
            where = {cases.get(case_of(t), (None,))[0] for b, ts in r["killers"].items()
                     for t in ts if "binaries" not in r or b in r["binaries"]}
            if where <= changed | {None}:
                todo.append({k: v for k, v in r.items()
                             if k not in ("verdict", "killers", "seconds", "by")})
    return todo


def report(files):
    cases = test_cases()
    rows = [json.loads(l) for f in files for l in open(f)]
    # A hand-made row counts only the binaries it names: those are all the gate runs.
    caught = [{case_of(t) for b, ts in r["killers"].items() for t in ts
               if not t.startswith(("?", "@")) and ("hand" not in r or b in r["binaries"])}
              for r in rows if r["verdict"] == "killed"]
    tally = defaultdict(int)
    for k in caught:
        for t in k:
            tally[t] += 1
    alone = {next(iter(k)) for k in caught if len(k) == 1}
    print(f"{len(rows)} mutants: {len(caught)} caught, "
          f"{sum(r['verdict'] == 'survived' for r in rows)} survived")
    keep, dropped = set(cases), []
    for case in sorted(cases, key=lambda c: -cases[c][1]):
        if case in alone or case not in tally:
            continue
        if all(k & (keep - {case}) for k in caught if k & keep):
            keep.discard(case)
            dropped.append(case)
    print(f"\ncases whose every catch another case makes: {len(dropped)}, "
          f"about {sum(cases[c][1] for c in dropped)} lines")
    for c in dropped:
        print(f"  {cases[c][1]:4}  {c}  (caught {tally[c]})  {cases[c][0]}")
    # mutation-check.sh runs only the binaries a row names: a row whose catchers left are all
    # elsewhere passes the gate no more, though the suite still catches it.
    for r in rows:
        if "hand" in r and r["verdict"] == "killed":
            named = [t for b in r["binaries"] for t in r["killers"].get(b, [])
                     if case_of(t) in keep and not t.startswith(("?", "@"))]
            if not named:
                names = " ".join(r["binaries"])
                print(f"row {r['hand']} ({r['file']}): caught only outside {names}")
    print("\ncases that caught none of these mutants:")
    for c in sorted((c for c in cases if c not in tally), key=lambda c: -cases[c][1]):
        print(f"  {cases[c][1]:4}  {c}  {cases[c][0]}")


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--out", help="append a JSON line a mutant to this file")
    p.add_argument("-n", type=int, default=0, help="generated mutants outside the JACK adapters")
    p.add_argument("--jack", type=int, default=0, help="generated mutants in the JACK adapters")
    p.add_argument("--faults", nargs="+", metavar="FILE",
                   help="faults planted by hand elsewhere: JSON lines of file, old, new, why")
    p.add_argument("--again", nargs="+", metavar=("SINCE", "FILE"),
                   help="caught faults of these records whose catchers are all in test files "
                        "changed since SINCE")
    p.add_argument("--hand", action="store_true", help="the rows of mutation-check.sh too")
    p.add_argument("--first", action="store_true",
                   help="stop each fault at its first failing binary: is it still caught, not by what")
    p.add_argument("--rows", metavar="A-B", help="with --hand, only these rows")
    p.add_argument("--seed", default="matrix")
    p.add_argument("--files", nargs="*", default=[], help="files or folders to draw from")
    p.add_argument("--report", nargs="+", metavar="FILE", help="read records instead of running")
    args = p.parse_args()
    if args.report:
        report(args.report)
    elif args.out:
        run(args)
    else:
        p.error("--out or --report")


if __name__ == "__main__":
    main()
