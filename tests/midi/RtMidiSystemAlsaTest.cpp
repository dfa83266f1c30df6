// The RtMidi MIDI system where the ALSA sequencer cannot be opened, and how the MIDI system
// is chosen.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include "platform/MidiPacketList.h"
#include "platform/midi/RtMidiSystem.h"

namespace {

using platform::kNoMidiObject;
using platform::MidiRef;
using platform::midi::MidiApi;
using platform::midi::RtMidiSystem;

void ignoreInput(std::span<const std::uint8_t>, void*, void*) {}

TEST(RtMidiSystemWithoutAlsaSequencer, LooksLikeASystemWithNoDevicesAndRefusesPorts) {
    if (access("/dev/snd/seq", F_OK) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    std::vector<std::string> reported;
    RtMidiSystem midi(MidiApi::alsa,
                      [&reported](std::string_view line) { reported.emplace_back(line); });
    for (int scan = 0; scan < 3; ++scan) {
        EXPECT_EQ(midi.numberOfDestinations(), 0);
        EXPECT_EQ(midi.destination(0), kNoMidiObject);
    }
    EXPECT_EQ(midi.sourceOfDevice(kNoMidiObject), kNoMidiObject);
    EXPECT_EQ(midi.modelName(kNoMidiObject), std::nullopt);
    EXPECT_NE(midi.lastError().find("ALSA"), std::string::npos) << midi.lastError();

    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    EXPECT_NE(midi.outputPortCreate(client, "OuTpUt", out), 0);
    EXPECT_EQ(out, kNoMidiObject);
    EXPECT_NE(midi.inputPortCreate(client, "InPut", ignoreInput, in), 0);
    EXPECT_EQ(in, kNoMidiObject);
    EXPECT_NE(midi.portConnectSource(in, kNoMidiObject), 0);
    const std::uint8_t sense[] = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
    midi.send(out, kNoMidiObject, platform::makeMidiPacketList(sense));
    midi.portDispose(out);
    midi.clientDispose(client);
    midi.clientDispose(client);
    // Said once, not at every scan or attempt.
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("ALSA sequencer"), std::string::npos) << reported[0];
}

TEST(RtMidiSystemChoice, TheEnvironmentSelectsJackElseAlsa) {
    const char* saved = getenv("GLIMMARK_MIDI_API");
    const std::string keep = saved ? saved : "";
    unsetenv("GLIMMARK_MIDI_API");
    EXPECT_EQ(platform::midi::midiApiFromEnvironment(), MidiApi::alsa);
    setenv("GLIMMARK_MIDI_API", "jack", 1);
    EXPECT_EQ(platform::midi::midiApiFromEnvironment(), MidiApi::jack);
    EXPECT_EQ(RtMidiSystem().api(), MidiApi::jack);
    EXPECT_EQ(RtMidiSystem(MidiApi::alsa).api(), MidiApi::alsa);
    setenv("GLIMMARK_MIDI_API", "coremidi", 1);
    EXPECT_EQ(platform::midi::midiApiFromEnvironment(), MidiApi::alsa);
    if (saved)
        setenv("GLIMMARK_MIDI_API", keep.c_str(), 1);
    else
        unsetenv("GLIMMARK_MIDI_API");
}

}  // namespace
