// glimmark-test-jack-peer: the tests' plain libjack MIDI device as a process of its
// own, so that a test can kill it. Prints "ready" once its ports are there, then each event
// it receives as one line of hex bytes, and "xrun" for each cycle JACK reports overrun.

#include <cstdio>

#include "midi/JackPeer.h"

int main() {
    const auto peer = jacktest::JackPeer::open({}, std::chrono::seconds(5));
    if (!peer)
        return 1;
    std::puts("ready");
    for (std::size_t printed = 0, xruns = 0;; std::fflush(stdout)) {
        peer->waitForCount(printed + 1, std::chrono::milliseconds(20));
        for (; xruns < static_cast<std::size_t>(peer->xruns()); ++xruns) std::puts("xrun");
        const std::vector<jacktest::Bytes> events = peer->received();
        for (; printed < events.size(); ++printed) {
            for (std::size_t i = 0; i < events[printed].size(); ++i)
                std::printf(i == 0 ? "%02X" : " %02X", events[printed][i]);
            std::puts("");
        }
    }
}
