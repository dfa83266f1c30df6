#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Midi.h"
#include "platform/midi/MidiPortNames.h"
#include "platform/midi/RtMidiSeam.h"

namespace platform::midi {

// GLIMMARK_MIDI_API=jack selects JACK, "alsa" the ALSA sequencer; unset or anything else
// leaves the choice to the program.
std::optional<MidiApi> midiApiFromEnvironment();

// The MIDI system on RtMidi, over the ALSA sequencer or JACK.
//
// Endpoints are ports of other programs and devices: destinations are the ports RtMidi can
// send to, sources those it can receive from. Each port name keeps one reference for the
// life of this object, so a device that stays plugged keeps its references from scan to scan.
// A device's model name is the name of its MIDI client, and its source is the first readable
// port of the same client.
// The ports of this program's own clients are not listed.
//
// RtMidi knows no client of its own: a client here is the name its ports are created under.
// Each port is one RtMidiIn or RtMidiOut object; under JACK each of those is a JACK client of
// that name (JACK numbers the second "TeStInG-01"). An output port connects to its destination
// when something is first sent there, and again whenever the destination changes.
//
// Every failure of RtMidi (a missing ALSA sequencer, a stopped JACK server, a port that went
// away) becomes a non-zero status, kNoMidiObject or an empty list; nothing throws out of here.
// All operations may be called from any thread; one lock keeps them apart, so a send never
// meets a port halfway through its disposal, and a send through a disposed port is dropped.
class RtMidiSystem final : public platform::MidiSystem {
public:
    // "RtMidi 5.0.0, ALSA 1.2.8", for the About box.
    static std::string libraryVersion();
    // Status results besides 0.
    static constexpr int kNoSuchObject = -50;
    static constexpr int kBackendFailed = -10830;

    // `report` is told once whenever the MIDI system cannot be opened after it could (or at
    // the start): one line, not one per scan. Null: standard error.
    // `backend`: what reaches RtMidi; null, RtMidi itself.
    explicit RtMidiSystem(MidiApi api, std::function<void(std::string_view)> report = {},
                          std::unique_ptr<RtBackend> backend = nullptr);
    ~RtMidiSystem() override;
    RtMidiSystem(const RtMidiSystem&) = delete;
    RtMidiSystem& operator=(const RtMidiSystem&) = delete;

    MidiApi api() const { return m_api; }

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
    // Whether the endpoint a port was connected to is still listed.
    bool portConnected(platform::MidiRef port) override;
    void portDispose(platform::MidiRef port) override;
    void clientDispose(platform::MidiRef client) override;
    void send(platform::MidiRef outputPort, platform::MidiRef destination,
              std::span<const std::uint8_t> packetList) override;

    // The port names behind the endpoints listed now, for messages and tests.
    std::vector<std::string> destinationNames();
    std::vector<std::string> sourceNames();

    // What RtMidi last complained about, warnings included; empty when it never did.
    std::string lastError() const;

    // Gathers what RtMidi reports through its error callback instead of throwing.
    struct ErrorSink;

private:
    struct Endpoint {
        bool destination;
        std::string portName;
    };
    struct OutputPort;
    struct InputPort;
    struct Probes;

    std::vector<std::string> listLocked(bool destinations);
    bool isOwnPortLocked(const std::string& portName) const;
    platform::MidiRef endpointRefLocked(bool destination, const std::string& portName);
    const Endpoint* endpointLocked(platform::MidiRef ref) const;
    bool connectOutputLocked(OutputPort& port, const std::string& destination);

    bool systemOpensLocked();

    const MidiApi m_api;
    const std::function<void(std::string_view)> m_report;
    const std::unique_ptr<RtBackend> m_backend;
    bool m_opens = true;  // as last reported
    mutable std::mutex m_mutex;
    platform::MidiRef m_next = 0x100;
    std::map<std::string, platform::MidiRef> m_refsByName;  // 'd' or 's', then the port name
    std::map<platform::MidiRef, Endpoint> m_endpoints;
    std::map<platform::MidiRef, std::string> m_clients;
    std::map<platform::MidiRef, std::unique_ptr<OutputPort>> m_outputs;
    std::map<platform::MidiRef, std::unique_ptr<InputPort>> m_inputs;
    std::unique_ptr<Probes> m_probes;
    std::unique_ptr<ErrorSink> m_errors;
};

}  // namespace platform::midi
