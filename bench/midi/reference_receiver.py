#!/usr/bin/python3
"""A plain MIDI receiver on the same JACK server as the program, as the yardstick of the
log-start latency bench: it takes every log start (F0 2C 4D 67 01 hh mm ss ff ... F7) from the
interface's output port and prints its start timecode and the moment it arrived, on the
monotonic clock the bench reads too (CLOCK_MONOTONIC, C++'s steady_clock on Linux):

    HH:MM:SS:FF <nanoseconds>

Two receivers can be chosen: python-rtmidi (Debian python3-rtmidi), whose callback runs on
RtMidi's JACK thread, and a JACK client of its own (python3-jack-client), which reads the
events in JACK's process callback. It prints "ready" once its port is connected and runs
until its standard input closes.
"""

import argparse
import queue
import sys
import threading
import time

LOG_START = bytes([0xF0, 0x2C, 0x4D, 0x67, 0x01])


def start_timecode(message):
    """The start of a log-start message as HH:MM:SS:FF, or None for any other message."""
    data = bytes(message)
    at = data.find(LOG_START)
    if at < 0 or len(data) - at < 9:
        return None
    h, m, s, f = data[at + 5:at + 9]
    return f"{h:02d}:{m:02d}:{s:02d}:{f:02d}"


def run_rtmidi(port, arrived):
    import rtmidi

    midi_in = rtmidi.MidiIn(rtapi=rtmidi.API_UNIX_JACK, name="glimmark-reference")
    # Like the program: System Exclusive and timing wanted, active sensing not.
    midi_in.ignore_types(sysex=False, timing=False, active_sense=True)
    names = midi_in.get_ports()
    found = [i for i, name in enumerate(names) if name == port or name.endswith(port)]
    if not found:
        sys.exit(f"no JACK MIDI port {port!r} among {names}")

    def callback(event, _data):
        now = time.monotonic_ns()
        tc = start_timecode(event[0])
        if tc:
            arrived.put((tc, now))

    midi_in.set_callback(callback)
    midi_in.open_port(found[0], "in")
    return midi_in


def run_jack(port, arrived):
    import jack

    client = jack.Client("glimmark-jack-reference", no_start_server=True)
    inport = client.midi_inports.register("in")

    @client.set_process_callback
    def process(_frames):
        now = time.monotonic_ns()
        for _offset, data in inport.incoming_midi_events():
            tc = start_timecode(data)
            if tc:
                arrived.put((tc, now))

    client.activate()
    client.connect(port, inport)
    return client


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", default="vexa :out", help="the interface's output port")
    parser.add_argument("--receiver", choices=("rtmidi", "jack"), default="rtmidi")
    args = parser.parse_args()

    arrived = queue.Queue()
    keep = (run_rtmidi if args.receiver == "rtmidi" else run_jack)(args.port, arrived)
    # JACK switches to a new connection a cycle or two after it is made.
    time.sleep(0.05)
    print("ready", flush=True)

    # Printing stays off the callback's thread: it only queues.
    def ends_with_stdin():
        sys.stdin.read()
        arrived.put(None)

    threading.Thread(target=ends_with_stdin, daemon=True).start()
    while (item := arrived.get()) is not None:
        print(*item, flush=True)
    del keep


if __name__ == "__main__":
    main()
