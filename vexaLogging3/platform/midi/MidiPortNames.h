#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::midi {

// The two MIDI systems of Linux that Glimmark talks to through RtMidi.
enum class MidiApi { alsa, jack };

// "alsa" or "jack", as a program option or GLIMMARK_MIDI_API spells them.
std::optional<MidiApi> parseMidiApi(std::string_view name);
std::string_view midiApiName(MidiApi api);

// The name of the MIDI client that owns a port, from the port's full name: what the device
// calls itself, so what the program compares with "vexa ". JACK names a port
// "client:port"; RtMidi names an ALSA sequencer port "client:port clientnum:portnum".
// Both put the client's name before the first ':'.
std::string clientNameOfPort(std::string_view portName);

// What tells the ports of one client from those of another. Under JACK client names are
// unique (a second client of the same name is renamed), so the name serves; ALSA sequencer
// clients may share a name, so there it is the client number.
std::string clientOfPort(std::string_view portName, MidiApi api);

}  // namespace platform::midi
