// glimmark-test-jack-peer [SERVER]: the tests' plain libjack MIDI device as a process of its own,
// so that a test can kill it. Prints "ready" once its ports are there, then each event it receives
// as one line of hex bytes, and "xrun" for each cycle JACK reports overrun.

#include <cstdio>

#include "midi/JackHarness.h"

int main(int argc, char* argv[]) {
    const auto peer = jacktest::JackPeer::open(argc > 1 ? argv[1] : "", std::chrono::seconds(5));
    if (!peer)
        return 1;
    std::puts("ready");
    for (std::size_t printed = 0, xruns = 0;; std::fflush(stdout)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (; xruns < static_cast<std::size_t>(peer->xruns()); ++xruns) std::puts("xrun");
        const std::vector<jacktest::Bytes> events = peer->received();
        for (; printed < events.size(); ++printed) {
            for (const std::uint8_t byte : events[printed]) std::printf("%02X ", byte);
            std::puts("");
        }
    }
}
