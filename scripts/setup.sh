#!/usr/bin/env bash
# Installs every Debian package Glimmark needs to build, test and run, then builds the program
# and its tools (scripts/test.sh builds the tests; the benchmarks are built on request).
#   scripts/setup.sh          install the packages, build, and start the demo
#   scripts/setup.sh --deps   only install the packages
#   scripts/setup.sh --bench-deps   install the packages, and those only the benchmarks use
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    build-essential cmake ninja-build pkg-config help2man
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev
    libexpat1-dev libplist-dev python3
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
    gstreamer1.0-plugins-good gstreamer1.0-x libturbojpeg0-dev
    qt6-base-dev qt6-image-formats-plugins xvfb xauth poppler-utils
    librtmidi-dev libjack-jackd2-dev jackd2 libltc-dev
    pipewire pipewire-bin pipewire-jack wireplumber dbus
    libmicrohttpd-dev libqrencode-dev chromium
    openbox xdotool x11-utils at-spi2-core python3-gi gir1.2-atspi-2.0
)
# The benchmarks' yardsticks, which no test needs: gst-launch-1.0 for the capture's CPU share,
# the Python MIDI receivers for the log-start latency; ImageMagick for
# scripts/measure-log-table.sh. (Its window manager and key strokes are in the list above: the
# log window's driven check uses them too, with the accessibility bus and its Python bindings.)
BENCH_PACKAGES=(gstreamer1.0-tools python3-rtmidi python3-jack-client imagemagick)
if [ "${1:-}" = "--bench-deps" ]; then
    PACKAGES+=("${BENCH_PACKAGES[@]}")
fi

SUDO=
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
fi
$SUDO apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${PACKAGES[@]}"

if [ "${1:-}" = "--deps" ] || [ "${1:-}" = "--bench-deps" ]; then
    exit 0
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target glimmark glimmark-cli glimmark-vexa-sim

# The demo: the simulated interface inside the program, no hardware needed.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/vexaLogging3/glimmark --simulate
fi
echo "Built. There is no display here; on a desktop the demo is: build/vexaLogging3/glimmark --simulate"
