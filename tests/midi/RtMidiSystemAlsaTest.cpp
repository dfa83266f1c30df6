// The RtMidi MIDI system: how it tells devices apart, and a machine whose ALSA sequencer
// cannot be opened.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/MidiPacketList.h"
#include "platform/midi/MidiPortNames.h"
#include "platform/midi/RtMidiSystem.h"

namespace {

using platform::kNoMidiObject;
using platform::midi::MidiApi;

TEST(MidiPortNames, TheDeviceIsTheClientBeforeTheFirstColonAndAlsaTellsClientsByNumber) {
    struct Row {
        const char* port;
        MidiApi api;
        const char* model;   // what is compared with "vexa "
        const char* client;  // what tells two clients apart
    };
    const Row rows[] = {
        {"vexa :out", MidiApi::jack, "vexa ", "vexa "},
        {"vexa -01:in 24:0", MidiApi::jack, "vexa -01", "vexa -01"},
        {"vexa :vexa MIDI 1 24:0", MidiApi::alsa, "vexa ", "24"},
        {"odd:name 24:x", MidiApi::alsa, "odd", "odd"},
        {"a2j:Midi Through [14] (capture): Port-0", MidiApi::jack, "a2j", "a2j"},
        {"no colon", MidiApi::jack, "no colon", "no colon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port);
        EXPECT_EQ(platform::midi::clientNameOfPort(row.port), row.model);
        EXPECT_EQ(platform::midi::clientOfPort(row.port, row.api), row.client);
    }
}

// ALSA configured with nothing, so that no machine's sequencer opens.
TEST(RtMidiSystemWithoutAlsaSequencer, HasNoDevicesRefusesPortsAndSaysSoOnce) {
    ::setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    std::vector<std::string> reported;
    platform::midi::RtMidiSystem midi(
        MidiApi::alsa, [&reported](std::string_view line) { reported.emplace_back(line); });
    for (int scan = 0; scan < 3; ++scan) {
        platform::MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
        EXPECT_EQ(std::tuple(midi.numberOfDestinations(), midi.destination(0)),
                  std::tuple(0, kNoMidiObject));
        ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
        EXPECT_NE(midi.outputPortCreate(client, "OuTpUt", out), 0);
        EXPECT_NE(midi.inputPortCreate(client, "InPut", nullptr, in), 0);
        EXPECT_EQ(std::tuple(out, in), std::tuple(kNoMidiObject, kNoMidiObject));
        midi.send(out, kNoMidiObject,
                  platform::makeMidiPacketList(std::vector<std::uint8_t>{0xF8}));
        midi.clientDispose(client);
    }
    ASSERT_EQ(reported.size(), 1u) << "said once, not at every scan";
    EXPECT_NE(reported[0].find("ALSA sequencer"), std::string::npos) << reported[0];
}

}  // namespace
