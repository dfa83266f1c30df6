// glimmark-test-jack-peer [--server NAME]: the tests' plain libjack MIDI device as a process of
// its own, so that a test can kill it. Prints "ready" once its ports are there, then every
// event it receives as one line of hex bytes.

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "midi/JackPeer.h"

int main(int argc, char* argv[]) {
    jacktest::JackPeer::Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--server") == 0)
            options.server = argv[i + 1];
    }
    options.onReceived = [](const jacktest::Bytes& event) {
        for (std::size_t i = 0; i < event.size(); ++i)
            std::printf(i == 0 ? "%02X" : " %02X", event[i]);
        std::printf("\n");
        std::fflush(stdout);
    };
    std::string error;
    auto peer = jacktest::JackPeer::open(options, &error, std::chrono::seconds(5));
    if (!peer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) pause();
}
