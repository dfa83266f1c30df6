#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a bounded time, seeded from fuzz/corpus/<target>.
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET="${1:-60}"
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(myReadProc projectFile exchangeFile pictureReplace)

# The longest input each target is given: a project file needs room for a few records.
declare -A MAX_LEN=([myReadProc]=4096 [projectFile]=16384 [exchangeFile]=8192 [pictureReplace]=8192)
# libpng prints every damaged chunk on stderr; libFuzzer keeps its own reports when told to
# close it.
declare -A EXTRA=([pictureReplace]=-close_fd_mask=2)

CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMMARK_FUZZ=ON -DGLIMMARK_TESTS=OFF -DGLIMMARK_BENCH=OFF
cmake --build build-fuzz --target "${TARGETS[@]/#/fuzz_}"

# The committed seeds stay as they are; what the fuzzer finds goes to a scratch corpus, and a
# crashing input to build-fuzz/crashes, to become a test.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build-fuzz/crashes
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# A small quarantine keeps the image decoders' large buffers from piling up toward the RSS limit.
export ASAN_OPTIONS=quarantine_size_mb=32:allocator_release_to_os_interval_ms=500
for target in "${TARGETS[@]}"; do
    echo "== fuzz_$target for ${SECONDS_PER_TARGET} s"
    mkdir -p "$scratch/$target"
    cp "fuzz/corpus/$target"/* "$scratch/$target"/
    "build-fuzz/fuzz/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" \
        -max_len="${MAX_LEN[$target]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 ${EXTRA[$target]:-} \
        -artifact_prefix="build-fuzz/crashes/$target-" "$scratch/$target"
done
