#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <jack/ringbuffer.h>

namespace jacktest {

using Bytes = std::vector<std::uint8_t>;

// A MIDI device on JACK made of nothing but libjack, nothing of this project's: one client
// with the input port "in" and the output port "out", registered and then activated as most
// JACK programs do. It keeps every event that arrives, and answers the interface's status
// sense and logging-state question as the interface would. Tests run it in their own process
// or, to kill it, as the program glimmark-test-jack-peer.
class JackPeer {
public:
    struct Options {
        std::string name = "vexa ";
        std::string server;  // empty: the default one
        bool answer = true;
        // Each event that arrives, on the peer's own thread.
        std::function<void(const Bytes&)> onReceived;
    };

    // Null, with the reason in `error`, when no server answers or the name stays taken for
    // `patience` (a client killed a moment ago holds its name until the server notices).
    static std::unique_ptr<JackPeer> open(Options options, std::string* error,
                                          std::chrono::milliseconds patience = {});
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    // Sends bytes as JACK events of at most `chunk` bytes each, in order.
    void send(const Bytes& bytes, std::size_t chunk = std::numeric_limits<std::size_t>::max());
    std::vector<Bytes> received() const;
    // Waits until `count` events have arrived.
    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout);
    std::string inputPortName() const { return m_options.name + ":in"; }
    // Cycles JACK reported as overrun (xruns) since the peer opened: events written in such a
    // cycle may be lost, whoever wrote them.
    int xruns() const { return m_xruns.load(); }

private:
    explicit JackPeer(Options options);
    static int process(jack_nframes_t frames, void* self);
    void receiveLoop();

    Options m_options;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
    jack_ringbuffer_t* m_inRing = nullptr;
    jack_ringbuffer_t* m_outRing = nullptr;
    std::mutex m_sendMutex;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_received;
    std::counting_semaphore<> m_signal{0};
    bool m_stopping = false;
    std::atomic<int> m_xruns{0};
    std::thread m_receiver;
};

}  // namespace jacktest
