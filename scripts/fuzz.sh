#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET="${1:-60}"

CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMMARK_FUZZ=ON -DGLIMMARK_TESTS=OFF -DGLIMMARK_BENCH=OFF
cmake --build build-fuzz --target fuzz_myReadProc

# The committed seeds stay as they are; what the fuzzer finds goes to a scratch corpus.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp fuzz/corpus/* "$corpus"/
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build-fuzz/fuzz/fuzz_myReadProc -max_total_time="$SECONDS_PER_TARGET" -max_len=4096 \
    -print_final_stats=1 "$corpus"
