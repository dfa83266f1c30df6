#!/usr/bin/env bash
# The MIDI link tests against PipeWire's JACK instead of jackd: PipeWire and WirePlumber run
# headless (their dummy driver needs no sound card) in a private runtime directory with a
# D-Bus session of their own, and the tests reach them through pw-jack, which puts PipeWire's
# libjack in place of jackd's for the tests only. A jackd that runs on the machine is neither
# used nor disturbed.
#   scripts/pipewire-link-test.sh [BUILD_DIR]     (default: build)
# Needs the Debian packages pipewire, pipewire-bin, pipewire-jack, wireplumber and dbus.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tests="$build/tests/midi/midi_jack_tests"
[ -x "$tests" ] || { echo "no $tests: build first" >&2; exit 1; }
for tool in pipewire wireplumber pw-jack dbus-daemon jack_lsp; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (see the header)" >&2; exit 1; }
done

runtime=$(mktemp -d /tmp/glimmark-pipewire.XXXXXX)
chmod 700 "$runtime"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2> /dev/null || true; done
    [ -f "$runtime/dbus.pid" ] && kill "$(cat "$runtime/dbus.pid")" 2> /dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$runtime
export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
# Nothing here may reach, or start, a jackd: every JACK client goes to PipeWire.
export JACK_NO_START_SERVER=1
unset JACK_DEFAULT_SERVER
# The tests use the server that answers (PipeWire's) rather than a jackd of their own.
export GLIMMARK_TEST_JACK_SERVER=running
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --fork \
    --print-pid > "$runtime/dbus.pid"
pipewire > "$runtime/pipewire.log" 2>&1 &
pids+=($!)
wireplumber > "$runtime/wireplumber.log" 2>&1 &
pids+=($!)

for _ in $(seq 100); do
    pw-jack jack_lsp > /dev/null 2>&1 && break
    sleep 0.1
done
if ! pw-jack jack_lsp > /dev/null 2>&1; then
    echo "PipeWire's JACK does not answer:" >&2
    cat "$runtime/pipewire.log" "$runtime/wireplumber.log" >&2
    exit 1
fi

# Found, read, sensed, logging on, takes logged, replugged and sensed again, the machine
# located (the row that stops a jackd of its own is left out there). The tests that kill or
# halt a jackd of their own have no place here.
filter='LinkOverJack.TheVirtualInterface*'
start=$(date +%s)
# The interface is "vexa " on every JACK graph of the machine the tests use: one run at a time.
flock /tmp/glimmark-jack-tests.lock pw-jack "$tests" --gtest_filter="$filter"
echo "PipeWire link tests: $(($(date +%s) - start)) s"
