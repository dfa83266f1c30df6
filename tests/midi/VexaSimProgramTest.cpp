// The glimmark-vexa-sim program, run as another process, seen through the MIDI system on JACK.

#include <gtest/gtest.h>

#include "midi/ChildProcess.h"
#include "midi/JackServer.h"
#include "midi/MidiInbox.h"
#include "platform/midi/JackMidiSystem.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using platform::kNoMidiObject;
using platform::MidiRef;

// The program with its standard output on a pipe.
ChildProcess Program(std::vector<std::string> args) {
    args.insert(args.begin(), GLIMMARK_VEXA_SIM_PATH);
    return ChildProcess(std::move(args));
}

TEST(VexaSimProgram, AnswersObeysMachineControlAndPrintsWhatItReceivedByteExact) {
    REQUIRE_JACK_SERVER();
    ChildProcess program = Program({"--print", "--fps", "30", "--no-play"});
    platform::midi::JackMidiSystem midi;

    MidiRef destination = kNoMidiObject;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (destination == kNoMidiObject && std::chrono::steady_clock::now() < deadline) {
        for (int i = 0; i < midi.numberOfDestinations(); ++i) {
            if (midi.modelName(midi.destination(i)) == "vexa ")
                destination = midi.destination(i);
        }
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_NE(destination, kNoMidiObject) << "the program's client never appeared";
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", &MidiInbox::readProc, in), 0);
    ASSERT_EQ(midi.portConnectSource(in, midi.sourceOfDevice(destination)), 0);
    ASSERT_EQ(midi.portConnectDestination(out, destination), 0);
    MidiInbox& inbox = MidiInbox::instance();
    inbox.clear();

    auto send = [&](const Bytes& m) {
        midi.send(out, destination, platform::makeMidiPacketList(m));
    };
    send({0xF0, 0x2C, 0x4D, 0x10, 0xF7});
    // 30 fps: rate bits 60 on the hours.
    send({0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, 0x61, 0x02, 0x03, 0x04, 0x00, 0xF7});
    send({0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7});

    EXPECT_EQ(program.readLine(), "F0 2C 4D 10 F7");
    EXPECT_EQ(program.readLine(), "F0 7F 7F 06 44 06 01 61 02 03 04 00 F7");
    EXPECT_EQ(program.readLine(), "F0 7F 7F 06 02 F7");
    EXPECT_TRUE(inbox.waitFor(
        [](const Bytes& m) { return m == Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}; }));
    // The full frame at the target, and quarter frames whose last piece names 30 fps.
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) {
        return m == Bytes{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7};
    }));
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) { return m == Bytes{0xF1, 0x76}; }));

    midi.clientDispose(client);
    const int status = program.terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(VexaSimProgram, ExplainsItselfAndRefusesWrongOptions) {
    ChildProcess help = Program({"--help"});
    EXPECT_NE(help.allOutput().find("--fps 24|25|29.97|30"), std::string::npos);
    int status = help.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--fps", "23.976"}, {"--start", "25:00:00:00"}, {"--loud"}}) {
        ChildProcess program = Program(wrong);
        status = program.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << wrong.front();
    }
}

}  // namespace
}  // namespace jacktest
