// Which client a port belongs to, as the port names of JACK and RtMidi's ALSA spell it.

#include <gtest/gtest.h>

#include "platform/midi/MidiPortNames.h"

namespace {

using platform::midi::clientNameOfPort;
using platform::midi::clientOfPort;
using platform::midi::MidiApi;

TEST(MidiPortNames, TheModelIsTheClientNameBeforeTheFirstColonBlanksKept) {
    EXPECT_EQ(clientNameOfPort("vexa :out"), "vexa ");
    EXPECT_EQ(clientNameOfPort("vexa :vexa MIDI 1 24:0"), "vexa ");
    EXPECT_EQ(clientNameOfPort("Vexa:out"), "Vexa");
    EXPECT_EQ(clientNameOfPort("vexa extra:out"), "vexa extra");
    // A port name may hold colons of its own after the client's.
    EXPECT_EQ(clientNameOfPort("a2j:Midi Through [14] (capture): Midi Through Port-0"), "a2j");
    EXPECT_EQ(clientNameOfPort("no colon"), "no colon");
}

TEST(MidiPortNames, AlsaTellsClientsApartByNumberJackByName) {
    // Two ALSA clients may share a name; their numbers differ.
    EXPECT_EQ(clientOfPort("vexa :vexa MIDI 1 24:0", MidiApi::alsa), "24");
    EXPECT_EQ(clientOfPort("vexa :vexa MIDI 1 28:0", MidiApi::alsa), "28");
    EXPECT_EQ(clientOfPort("vexa :second port 24:1", MidiApi::alsa), "24");
    EXPECT_EQ(clientOfPort("odd:name without address", MidiApi::alsa), "odd");
    EXPECT_EQ(clientOfPort("odd:name 24:x", MidiApi::alsa), "odd");
    EXPECT_EQ(clientOfPort("vexa :in", MidiApi::jack), "vexa ");
    EXPECT_EQ(clientOfPort("vexa -01:in 24:0", MidiApi::jack), "vexa -01");
}

TEST(MidiPortNames, ApiNamesAsOptionsSpellThem) {
    EXPECT_EQ(platform::midi::parseMidiApi("jack"), MidiApi::jack);
    EXPECT_EQ(platform::midi::parseMidiApi("alsa"), MidiApi::alsa);
    EXPECT_EQ(platform::midi::parseMidiApi("JACK"), std::nullopt);
    EXPECT_EQ(platform::midi::parseMidiApi(""), std::nullopt);
    EXPECT_EQ(platform::midi::midiApiName(MidiApi::jack), "jack");
}

}  // namespace
