#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Reference to an object of the MIDI system (client, port or endpoint).
using MidiRef = std::uint32_t;
// What a handle holds once its object is gone, and what a failed lookup yields.
inline constexpr MidiRef kNoMidiObject = 3;

// The read callback of an input port: a packet list (see MidiPacketList.h) and the two
// context values, which the program does not use. Called on the MIDI system's own thread.
using MidiReadProc = void (*)(std::span<const std::uint8_t> packetList, void* readProcRefCon,
                              void* srcConnRefCon);

// The MIDI system as the device link uses it. Status results are 0 on success. Nothing here
// throws; a backend turns every failure of its own into a status or a no-object marker.
//
// Threads: every call comes from the main thread except send(), which comes from the send
// queue's thread, possibly while the main thread disposes the port it names. A backend must
// make that safe: a send through a disposed port is dropped.
class MidiSystem {
public:
    virtual ~MidiSystem() = default;

    // Destinations present now, and the one at an index (kNoMidiObject past the end).
    virtual int numberOfDestinations() = 0;
    virtual MidiRef destination(int index) = 0;
    // The model name the device gives itself; on Linux, the name of the MIDI client that owns
    // the endpoint. Empty when it cannot be read.
    virtual std::optional<std::string> modelName(MidiRef endpoint) = 0;
    // The name of the endpoint's own port, as the user picks the interface from a list when
    // its client is not called as the interface calls itself (a patch bay, a driver that
    // renames): on Linux the full port name. A system without port names gives the model.
    virtual std::optional<std::string> endpointName(MidiRef endpoint) {
        return modelName(endpoint);
    }
    // The source of the device that owns a destination: on Linux, the input port of the same
    // client. Sources and destinations are separate lists whose positions do not line up, so
    // the source is found through its owner, never by the destination's index.
    virtual MidiRef sourceOfDevice(MidiRef destination) = 0;

    virtual int clientCreate(std::string_view name, MidiRef& client) = 0;
    virtual int outputPortCreate(MidiRef client, std::string_view name, MidiRef& port) = 0;
    virtual int inputPortCreate(MidiRef client, std::string_view name, MidiReadProc readProc,
                                MidiRef& port) = 0;
    virtual int portConnectSource(MidiRef inputPort, MidiRef source) = 0;
    // Connects an output port to a destination ahead of the first send, and returns only once
    // a message sent there arrives. A system that needs no connection leaves this as it is.
    virtual int portConnectDestination(MidiRef /*outputPort*/, MidiRef /*destination*/) {
        return 0;
    }
    // Whether the connection a port was given still leads to its endpoint: false once the
    // endpoint went away (even if one of the same name came back), the connection was broken
    // or the MIDI system itself stopped.
    virtual bool portConnected(MidiRef /*port*/) { return true; }
    // Disposing a port or client that is already gone (or kNoMidiObject) does nothing.
    virtual void portDispose(MidiRef port) = 0;
    virtual void clientDispose(MidiRef client) = 0;

    // Sends one packet list through an output port to a destination endpoint.
    virtual void send(MidiRef outputPort, MidiRef destination,
                      std::span<const std::uint8_t> packetList) = 0;
};

}  // namespace platform
