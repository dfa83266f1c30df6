#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Midi.h"
#include "vexasim/ClockDriver.h"
#include "vexasim/SimulatedInterface.h"

namespace vexasim {

// A MIDI system with one device in it, the simulated vexa interface, running on the wall
// clock: what `glimmark --simulate` talks to. It lists exactly one destination and one source,
// both of the model "vexa "; whatever is sent to the destination reaches the interface, and
// what the interface says reaches the read procedure of each input port connected to the
// source, on the driver's thread, which here plays the MIDI system's receive thread.
class SimulatedMidiSystem final : public platform::MidiSystem {
public:
    static constexpr std::string_view kModel = "vexa ";
    static constexpr platform::MidiRef kDestination = 0x10;
    static constexpr platform::MidiRef kSource = 0x11;

    struct Options {
        FrameRate rate = FrameRate::fps25;
        Timecode startAt{10, 0, 0, 0};
        // The machine runs from the start, so a demo shows moving timecode at once.
        bool play = true;
        // Logging by itself from the start; normally the program switches it on.
        bool loggingOn = false;
        // A recorder that records on this long after a playback has halted; 0 stays halted.
        int recordAfterPlaybackSeconds = 0;
        // Starts the clock driver at construction.
        bool startClock = true;
        std::string version = "21";
    };

    SimulatedMidiSystem();
    explicit SimulatedMidiSystem(const Options& options);
    ~SimulatedMidiSystem() override;

    ClockDriver& driver() { return m_driver; }

    int numberOfDestinations() override { return 1; }
    platform::MidiRef destination(int index) override;
    std::optional<std::string> modelName(platform::MidiRef endpoint) override;
    platform::MidiRef sourceOfDevice(platform::MidiRef destination) override;

    int clientCreate(std::string_view name, platform::MidiRef& client) override;
    int outputPortCreate(platform::MidiRef client, std::string_view name,
                         platform::MidiRef& port) override;
    int inputPortCreate(platform::MidiRef client, std::string_view name,
                        platform::MidiReadProc readProc, platform::MidiRef& port) override;
    int portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) override;
    void portDispose(platform::MidiRef port) override;
    void clientDispose(platform::MidiRef client) override;
    void send(platform::MidiRef outputPort, platform::MidiRef destination,
              std::span<const std::uint8_t> packetList) override;

private:
    struct Port {
        platform::MidiRef client;
        bool input;
        platform::MidiReadProc readProc = nullptr;
        bool connected = false;
    };

    void deliver(std::span<const std::uint8_t> packetList);

    // Recursive: a read procedure may send at once, from inside the delivery.
    std::recursive_mutex m_mutex;
    std::map<platform::MidiRef, std::string> m_clients;
    std::map<platform::MidiRef, Port> m_ports;
    platform::MidiRef m_next = 0x100;

    SimulatedInterface m_sim;
    ClockDriver m_driver;
};

}  // namespace vexasim
