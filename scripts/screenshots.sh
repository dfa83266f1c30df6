#!/usr/bin/env bash
# Pictures of Glimmark's three windows for the README: runs the demo (glimmark --simulate) on a
# virtual X server and lets the program grab its own windows once three logs have come in.
#   scripts/screenshots.sh              uses and, when needed, builds build/
#   scripts/screenshots.sh BUILD_DIR    another build directory
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
if [ ! -x "$BUILD/vexaLogging3/glimmark" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD" --target glimmark
fi

# A screen larger than both windows, so that neither is cut.
timeout 120 xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$BUILD/vexaLogging3/glimmark" --simulate --screenshot docs
ls -l docs/capture-window.png docs/editor-window.png docs/log-window.png docs/menu-*.png
