#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/midi/MidiPortNames.h"

namespace platform::midi {

// What RtMidiSystem asks of RtMidi, and no more: one object per RtMidiIn or RtMidiOut, and
// what makes them. RtMidiSystem's own logic (which ports are devices, packets, when ports
// open and close, what a failure becomes) runs on this, so it can be tried without a MIDI
// system; the real one is a thin layer over RtMidi.
//
// Failures come as RtMidi gives them: a creation that cannot reach the MIDI system throws;
// any later call either throws or reports through the handler given at creation.

// `failure` is false for RtMidi's warnings.
using RtErrorHandler = void (*)(bool failure, const std::string& text, void* context);
// One whole message as it arrived, System Exclusive included; on RtMidi's own thread.
using RtMessageHandler = void (*)(const std::vector<unsigned char>& message, void* context);

class RtPort {
public:
    virtual ~RtPort() = default;
    // The ports the object can open: destinations for an output, sources for an input.
    virtual unsigned portCount() = 0;
    virtual std::string portName(unsigned index) = 0;
    // Opens a port of this program's, connected to the one at `index`.
    virtual void openPort(unsigned index, const std::string& ownName) = 0;
    virtual void closePort() = 0;
    virtual bool isPortOpen() const = 0;
    // Output only.
    virtual void sendMessage(const unsigned char* bytes, std::size_t size) = 0;
    // Input only: every message from now on, MIDI Time Code and System Exclusive included.
    virtual void receiveWith(RtMessageHandler handler, void* context) = 0;
};

class RtBackend {
public:
    virtual ~RtBackend() = default;
    // Whether the MIDI system can be opened now; `why` gets the reason when it cannot. Asked
    // before each creation, since RtMidi writes to standard error from constructors that fail.
    virtual bool systemOpens(MidiApi api, std::string& why) = 0;
    virtual std::unique_ptr<RtPort> makeOutput(MidiApi api, const std::string& clientName,
                                               RtErrorHandler errors, void* context) = 0;
    virtual std::unique_ptr<RtPort> makeInput(MidiApi api, const std::string& clientName,
                                              RtErrorHandler errors, void* context) = 0;
};

// The one over RtMidi and alsa-lib.
std::unique_ptr<RtBackend> makeRtMidiBackend();
// "RtMidi 5.0.0, ALSA 1.2.8".
std::string rtMidiLibraryVersion();

}  // namespace platform::midi
