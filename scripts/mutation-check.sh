#!/usr/bin/env bash
# Hand-made mutants of the MIDI input, the log list and the device code: each one is a fault
# a shoot day would suffer from (a flipped comparison, a shifted offset, a wrong constant).
# Each is put into the source for one build, the covering test binaries run against it, and
# the file is put back. Every mutant must make a test fail (KILLED); the script exits
# non-zero if one SURVIVED or did not build.
#
#   bash scripts/mutation-check.sh [build-dir]       (default: build)
#   MUTATION_TESTS="core_tests other_tests" bash scripts/mutation-check.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
read -r -a binaries <<<"${MUTATION_TESTS:-core_tests}"

# file | exact text | replacement | what a real fault would be
mutants=(
    "input/MidiInputAssembly.cpp|if (b >= 0xF8)|if (b > 0xF8)|a MIDI clock byte inside a SysEx ends it"
    "input/QuarterFrameReader.cpp|(d & 0x01) * 16|(d & 0x03) * 16|the rate bits of piece 7 go into the hours"
    "input/SysexInterpreter.cpp|B[9] == kDropFrameRate|B[9] >= kDropFrameRate|30 fps non-drop starts shown as drop-frame"
    "input/SysexInterpreter.cpp|setText(timecode::format(B[5], B[6], B[7], B[8]))|setText(timecode::format(B[4], B[5], B[6], B[7]))|the log stop read one byte early"
    "loglist/LogList.cpp|indexOf(record, 0) > m_values.size()|indexOf(record, 0) >= m_values.size()|no record can be inserted after the last one"
    "loglist/Timecode.cpp|if (s8(ef - sf) < 0)|if (s8(ef - sf) <= 0)|equal frames borrow a second from the duration"
    "loglist/LogSearchIndex.cpp|!(tc < stop(n.maxStopClosed))|tc > stop(n.maxStopClosed)|a record's stop counts as inside it"
    "device/MessageSet.cpp|message[5 + k]|message[4 + k]|the stop time is written over the command byte"
    "device/MidiSendQueue.cpp|m_pending.size() >= kBound|m_pending.size() > kBound|one message more than the bound waits"
    "device/ConnectionLifecycle.cpp|*model == kInterfaceModel|model->starts_with(\"vexa\")|any device named vexa-something is taken for the interface"
)

current=""
backup=$(mktemp)
log=$(mktemp)
restore() {
    if [[ -n "$current" ]]; then
        cp "$backup" "$current"
        current=""
    fi
}
trap 'restore; rm -f "$backup" "$log"' EXIT
trap 'exit 130' INT TERM

build_tests() {
    cmake --build "$build" --target "${binaries[@]}" -j2 >"$log" 2>&1
}

if [[ ! -f "$build/build.ninja" && ! -f "$build/Makefile" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
build_tests || { cat "$log"; echo "the unmutated tree does not build"; exit 2; }

failures=0
number=0
for row in "${mutants[@]}"; do
    IFS='|' read -r file from to why <<<"$row"
    number=$((number + 1))
    path="$root/vexaLogging3/$file"
    cp "$path" "$backup"
    current="$path"
    if ! FROM="$from" TO="$to" python3 - "$path" <<'EOF'; then
import os, sys
path = sys.argv[1]
text = open(path).read()
found = text.count(os.environ["FROM"])
if found != 1:
    sys.exit(f"{path}: the mutated text occurs {found} times, not once")
open(path, "w").write(text.replace(os.environ["FROM"], os.environ["TO"]))
EOF
        restore
        echo "mutant $number ($file): STALE, the text to mutate is not there once"
        failures=$((failures + 1))
        continue
    fi
    if ! build_tests; then
        restore
        echo "mutant $number ($file): DID NOT BUILD"
        tail -20 "$log"
        failures=$((failures + 1))
        continue
    fi
    killers=()
    for binary in "${binaries[@]}"; do
        exe=$(find "$build" -type f -name "$binary" -perm -u+x | head -n 1)
        [[ -n "$exe" ]] || { echo "no test binary $binary in $build"; exit 2; }
        if ! QT_QPA_PLATFORM=offscreen timeout 300 "$exe" --gtest_brief=1 >"$log" 2>&1; then
            mapfile -t failed < <(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_/]*\.[A-Za-z0-9_/]*\).*/\1/p' "$log" |
                sort -u)
            killers+=("$binary:" "${failed[@]:-crashed or timed out}")
        fi
    done
    restore
    if ((${#killers[@]})); then
        echo "mutant $number ($file: $why): KILLED by ${killers[*]}"
    else
        echo "mutant $number ($file: $why): SURVIVED"
        failures=$((failures + 1))
    fi
done

# Leave the build as the tree stands again.
build_tests || echo "warning: the restored tree did not rebuild; see $build"
echo "$((number - failures)) of $number mutants killed"
((failures == 0))
