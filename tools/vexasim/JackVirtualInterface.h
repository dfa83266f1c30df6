#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <semaphore>
#include <span>
#include <string>
#include <thread>

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include "vexasim/ClockDriver.h"
#include "vexasim/SimulatedInterface.h"

namespace vexasim {

// The simulated vexa interface as a device on the JACK MIDI graph: one JACK client with one
// input and one output MIDI port, as the real interface is one device with both, so a program
// looking for the client "vexa " finds its destination and its source together. The interface
// runs on the wall clock (ClockDriver).
//
// JACK's process callback must not wait, so it only moves bytes: what arrives on the input
// port goes through a ring buffer to a thread of our own that hands it to the interface; what
// the interface says goes through another ring buffer onto the output port in the next cycle.
class JackVirtualInterface {
public:
    using Message = std::span<const std::uint8_t>;

    struct Options {
        std::string clientName = "vexa ";
        FrameRate rate = FrameRate::fps25;
        Timecode startAt{10, 0, 0, 0};
        bool play = true;
        std::string version = "21";
        // Every message that arrives, on the thread that hands it to the interface.
        std::function<void(Message)> onReceived;
        // Every message the interface sends, as it leaves the interface.
        std::function<void(Message)> onSending;
        // JACK went away (server stopped); called on a JACK thread.
        std::function<void()> onShutdown;
    };

    // Registers the client and its ports and starts the timecode. Null, with the reason in
    // `error`, when no JACK server runs or the name is taken.
    static std::unique_ptr<JackVirtualInterface> open(Options options, std::string* error);
    ~JackVirtualInterface();
    JackVirtualInterface(const JackVirtualInterface&) = delete;
    JackVirtualInterface& operator=(const JackVirtualInterface&) = delete;

    ClockDriver& driver() { return m_driver; }
    // Full port names, "client:port".
    std::string inputPortName() const;
    std::string outputPortName() const;
    // Messages the output ring buffer had no room for.
    int droppedMessages() const { return m_dropped.load(); }

private:
    explicit JackVirtualInterface(Options options);

    static int process(jack_nframes_t frames, void* self);
    static void shutdown(void* self);
    void readInput(jack_nframes_t frames);
    void writeOutput(jack_nframes_t frames);
    void queueOutput(std::span<const std::uint8_t> packetList);
    void receiveLoop();
    void close();

    Options m_options;
    SimulatedInterface m_sim;
    ClockDriver m_driver;

    jack_client_t* m_client = nullptr;
    // Registered after activation, while the process callback may already run.
    std::atomic<jack_port_t*> m_in{nullptr};
    std::atomic<jack_port_t*> m_out{nullptr};
    jack_ringbuffer_t* m_received = nullptr;
    jack_ringbuffer_t* m_sending = nullptr;
    std::counting_semaphore<> m_receivedSignal{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_dropped{0};
    std::thread m_receiver;
};

}  // namespace vexasim
