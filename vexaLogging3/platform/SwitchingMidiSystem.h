#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Midi.h"

namespace platform {

// One MIDI system made of several (on Linux: JACK, then the ALSA sequencer), of which each
// scan picks one, so that a studio is served as it comes: a JACK server that answers is used,
// else the next system; a system that lists the interface wins over one that does not. A
// system may also be forced.
//
// The choice is made when the destinations are counted, the first step of every scan, and
// holds until the next count, so a destination index stays in the list it was counted in.
// Every reference handed out carries the number of its system, so the clients, ports and
// endpoints of a connection go on reaching their own system after a later scan has picked
// another one: a connection on the system that went away simply reads as not connected.
//
// Threads: counting, the choice and forcing belong to the main thread; send() may come from
// any thread and only routes by the reference.
class SwitchingMidiSystem final : public MidiSystem {
public:
    struct Member {
        std::string name;  // shown to the user: "JACK", "ALSA"
        MidiSystem* system;
        // Whether the system is there to be used now; null: always.
        std::function<bool()> answers;
    };
    // Whether a destination of the given system is the interface.
    using IsInterface = std::function<bool(MidiSystem&, MidiRef destination)>;

    // Members in order of preference: the first that answers is used when none, or the one
    // in use, lists the interface. At most four.
    SwitchingMidiSystem(std::vector<Member> members, IsInterface isInterface);

    // A member by its index, or nullopt for the choice by itself.
    void force(std::optional<std::size_t> member);
    std::optional<std::size_t> forced() const { return m_forced; }
    // The member in use since the last count.
    std::size_t active() const { return m_active.load(); }
    const std::string& activeName() const { return m_members[active()].name; }
    const std::vector<Member>& members() const { return m_members; }

    int numberOfDestinations() override;
    MidiRef destination(int index) override;
    std::optional<std::string> modelName(MidiRef endpoint) override;
    std::optional<std::string> endpointName(MidiRef endpoint) override;
    MidiRef sourceOfDevice(MidiRef destination) override;

    int clientCreate(std::string_view name, MidiRef& client) override;
    int outputPortCreate(MidiRef client, std::string_view name, MidiRef& port) override;
    int inputPortCreate(MidiRef client, std::string_view name, MidiReadProc readProc,
                        MidiRef& port) override;
    int portConnectSource(MidiRef inputPort, MidiRef source) override;
    int portConnectDestination(MidiRef outputPort, MidiRef destination) override;
    bool portConnected(MidiRef port) override;
    void portDispose(MidiRef port) override;
    void clientDispose(MidiRef client) override;
    void send(MidiRef outputPort, MidiRef destination,
              std::span<const std::uint8_t> packetList) override;

private:
    std::size_t choose();
    bool listsInterface(std::size_t member);
    MidiRef tagged(std::size_t member, MidiRef ref) const;
    // The member a reference belongs to and its own reference there; nullopt for the
    // no-object marker and for references no member handed out.
    std::optional<std::pair<std::size_t, MidiRef>> untagged(MidiRef ref) const;

    std::vector<Member> m_members;
    IsInterface m_isInterface;
    std::optional<std::size_t> m_forced;
    std::atomic<std::size_t> m_active{0};
};

}  // namespace platform
