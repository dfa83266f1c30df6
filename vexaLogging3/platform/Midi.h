#pragma once

#include <cstdint>
#include <span>

namespace platform {

// Reference to an object of the MIDI system (client, port or endpoint).
using MidiRef = std::uint32_t;
// What a handle holds once its object is gone, and what a failed lookup yields.
inline constexpr MidiRef kNoMidiObject = 3;

// The MIDI system as the device link uses it.
class MidiSystem {
public:
    virtual ~MidiSystem() = default;
    // Sends one packet list through an output port to a destination endpoint.
    // A failure is the backend's to swallow; the link notices a lost device by scanning.
    virtual void send(MidiRef outputPort, MidiRef destination,
                      std::span<const std::uint8_t> packetList) = 0;
};

}  // namespace platform
