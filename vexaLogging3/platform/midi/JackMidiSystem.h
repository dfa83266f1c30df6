#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include "platform/Midi.h"

namespace platform::midi {

// The MIDI system on JACK, with libjack directly: one JACK client with at most one input and
// one output port, as the interface is one device with both.
//
// Endpoints are the MIDI ports of other JACK clients: destinations the ones that take input,
// sources the ones that give output. Each port name keeps one reference for the life of this
// object. A device's model name is its JACK client's name, its source the first output port
// of that client.
//
// JACK's process callback only moves bytes, through lock-free ring buffers both ways: it never
// allocates or waits. A thread of this object hands what arrived to the read procedure, one
// packet list per JACK event, its bytes as they came.
//
// A connection is made in full before it is reported made: JACK applies a new connection
// some cycles after jack_connect returns, and a message sent before then is lost, so both
// connects wait (within a limit) until JACK reports the connection in effect.
//
// The JACK client is opened at the first call that needs it and again after the server went
// away: a client of a dead server would go on listing the dead server's ports for good.
// Ports and connections of a dead client read as not connected, so the caller closes and the
// next scan opens on the new server.
//
// A port, once registered, stays registered until its JACK client closes: a disposed port is
// disconnected and kept for the next port of its direction. libjack walks its client's list
// of ports on its own thread whenever the graph's latencies change and takes no lock, so
// jack_port_unregister on an active client can free the entry under that walk; closing the
// client stops that thread first.
//
// A server that hangs (stopped, not gone) holds every libjack call that asks it something, the
// opening of a client included, until it goes on: the client is opened on a thread of its own,
// waited for a second at most, and taken up by a later call once it is there. A client that
// is open asks the server nothing at a scan.
//
// Every call may come from any thread; one lock keeps them apart (never taken by the process
// callback). A send through a disposed port is dropped.
class JackMidiSystem final : public platform::MidiSystem {
public:
    // "JACK 1.9.21", for the About box.
    static std::string libraryVersion();
    static constexpr int kNoSuchObject = -50;
    static constexpr int kBackendFailed = -10830;
    // The connection was asked for but JACK did not put it into effect in time.
    static constexpr int kNotInEffect = -10831;

    struct Options {
        std::string clientName = "Glimmark";
        // Empty: the default server ($JACK_DEFAULT_SERVER, else "default").
        std::string serverName;
        // How long a connect may wait for JACK to put the connection into effect.
        std::chrono::milliseconds connectLimit{2000};
        // Told once whenever the server cannot be reached after it could (or at the start):
        // one line, not one per scan. Null: standard error.
        std::function<void(std::string_view)> report;
    };

    JackMidiSystem();
    explicit JackMidiSystem(Options options);
    ~JackMidiSystem() override;
    JackMidiSystem(const JackMidiSystem&) = delete;
    JackMidiSystem& operator=(const JackMidiSystem&) = delete;

    int numberOfDestinations() override;
    platform::MidiRef destination(int index) override;
    std::optional<std::string> modelName(platform::MidiRef endpoint) override;
    // The full port name: "client:port" under JACK, with " client:port" numbers under ALSA.
    std::optional<std::string> endpointName(platform::MidiRef endpoint) override;
    platform::MidiRef sourceOfDevice(platform::MidiRef destination) override;

    int clientCreate(std::string_view name, platform::MidiRef& client) override;
    int outputPortCreate(platform::MidiRef client, std::string_view name,
                         platform::MidiRef& port) override;
    int inputPortCreate(platform::MidiRef client, std::string_view name,
                        platform::MidiReadProc readProc, platform::MidiRef& port) override;
    int portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) override;
    int portConnectDestination(platform::MidiRef outputPort,
                               platform::MidiRef destination) override;
    bool portConnected(platform::MidiRef port) override;
    void portDispose(platform::MidiRef port) override;
    void clientDispose(platform::MidiRef client) override;
    void send(platform::MidiRef outputPort, platform::MidiRef destination,
              std::span<const std::uint8_t> packetList) override;

    // Whether a JACK server answers now (one is never started for it).
    bool serverAnswers();
    // The port names behind the endpoints listed now, for messages and tests.
    std::vector<std::string> destinationNames();
    std::vector<std::string> sourceNames();
    // Full JACK name of one of this object's ports ("Glimmark:InPut"); empty when it has none.
    std::string portName(platform::MidiRef port);
    // Events lost because a ring buffer was full, both ways together.
    int overflows() const { return m_overflows.load(); }

private:
    struct Endpoint {
        bool destination;
        std::string portName;
    };
    struct Port {
        platform::MidiRef client;
        bool input;
        jack_port_t* jackPort;
        std::uint64_t epoch;      // the JACK client it was registered on
        std::string connectedTo;  // the endpoint's port name, once connected
    };

    bool ensureClientLocked();
    // A client from the open under way, or one started now; null when none is there (yet).
    // `answered`: false while JACK has not answered the open.
    jack_client_t* openClientLocked(bool& answered);
    // The client's port of that direction, registered at its first use and renamed to `name`
    // when kept from an earlier one; null when JACK refuses.
    jack_port_t* keptPortLocked(bool input, std::string_view name);
    bool hasLivePortLocked(bool input) const;
    void closeClientLocked();
    std::vector<std::string> listLocked(bool destinations);
    platform::MidiRef endpointRefLocked(bool destination, const std::string& portName);
    const Endpoint* endpointLocked(platform::MidiRef ref) const;
    Port* livePortLocked(platform::MidiRef ref);
    int connectLocked(Port& port, const std::string& endpoint);
    bool connectedLocked(const Port& port);
    void disposeLocked(platform::MidiRef ref);
    void waitCyclesLocked(int cycles);

    static int process(std::uint32_t frames, void* self);
    void readInput(std::uint32_t frames);
    void writeOutput(std::uint32_t frames);
    void deliverLoop();

    // A client open JACK has not answered yet, shared with the thread that waits for it.
    struct Opening {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        bool abandoned = false;  // nobody takes it up any more: the thread closes it
        jack_client_t* client = nullptr;
    };

    const Options m_options;
    mutable std::mutex m_mutex;
    std::shared_ptr<Opening> m_opening;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_keptIn = nullptr;   // registered on m_client, never unregistered
    jack_port_t* m_keptOut = nullptr;
    std::uint64_t m_epoch = 0;
    bool m_reachable = true;  // as last reported
    platform::MidiRef m_next = 0x100;
    std::map<std::string, platform::MidiRef> m_refsByName;  // 'd' or 's', then the port name
    std::map<platform::MidiRef, Endpoint> m_endpoints;
    std::map<platform::MidiRef, std::string> m_clients;
    std::map<platform::MidiRef, Port> m_ports;

    // Shared with the process callback, which reads the input port and clears the output port
    // every cycle for as long as they are registered, in use or not.
    std::atomic<bool> m_dead{false};
    std::atomic<jack_port_t*> m_rtIn{nullptr};
    std::atomic<jack_port_t*> m_rtOut{nullptr};
    // Records in the rings carry the generation of the port they belong to; a port disposed
    // takes its unsent and undelivered records with it.
    std::atomic<std::uint32_t> m_inGeneration{0};
    std::atomic<std::uint32_t> m_outGeneration{0};
    std::atomic<std::uint64_t> m_cycles{0};
    std::atomic<int> m_overflows{0};
    jack_ringbuffer_t* m_inRing = nullptr;
    jack_ringbuffer_t* m_outRing = nullptr;

    // The delivering thread, and what it delivers to.
    std::mutex m_deliveryMutex;
    platform::MidiReadProc m_readProc = nullptr;
    std::counting_semaphore<> m_inSignal{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_deliverer;
};

}  // namespace platform::midi
