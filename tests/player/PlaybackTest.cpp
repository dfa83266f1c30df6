// A playback through the simulated interface: the program's messages drive the machine, the
// interface's events drive the editor.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"
#include "loglist/Timecode.h"
#include "platform/MidiPacketList.h"
#include "vexasim/SimulatedInterface.h"

namespace {

using editor_test::addRecord;

class Playback : public ::testing::Test {
protected:
    Playback()
        : sim([](std::span<const std::uint8_t> list) { myReadProc(list, nullptr, nullptr); }) {
        app.app->midiOpenFlag = 1;
    }
    // Hands what the program has sent so far to the interface, as the wire would.
    void carry() {
        app.app->waitForSends();
        const auto messages = app.midi.messages();
        for (; carried < messages.size(); ++carried)
            sim.receive(platform::makeMidiPacketList(messages[carried]));
    }
    // Runs the machine frame by frame, the program answering between quarter frames.
    void runFrames(int frames) {
        for (int q = 0; q < 4 * frames; ++q) {
            sim.advanceQuarterFrames(1);
            app.mainThread.drain();
            carry();
        }
    }
    std::string simTime() const {
        const auto t = sim.timecode();
        return timecode::format(t.hours, t.minutes, t.seconds, t.frames);
    }

    fake::App app;
    vexasim::SimulatedInterface sim;
    std::size_t carried = 0;
};

TEST_F(Playback, ThreeRecordsWithoutStopsPlayThroughToTheLast) {
    addRecord(app, {"1", "10:00:00:00", "", ""});
    addRecord(app, {"2", "10:00:01:00", "", ""});
    addRecord(app, {"3", "10:00:02:00", "", ""});
    app.app->LogActualWrite();
    sim.locate({9, 0, 0, 0});

    app.app->btnEditPlay();
    carry();
    EXPECT_EQ(simTime(), "10:00:00:00") << "located to record 1";
    EXPECT_TRUE(sim.playing());

    runFrames(30);
    EXPECT_EQ(app.windows.txtEditNr.value, "2");
    runFrames(30);
    EXPECT_EQ(app.windows.txtEditNr.value, "3");
    EXPECT_EQ(app.app->logEditPos, 3);
    // The last record has nothing after it: the machine runs on until Stop.
    runFrames(50);
    EXPECT_EQ(app.windows.txtEditNr.value, "3");
    EXPECT_TRUE(sim.playing());
    EXPECT_EQ(app.windows.btnEditPlayVal.title, "Stop");

    app.app->btnEditPlay();
    carry();
    app.mainThread.drain();
    EXPECT_FALSE(sim.playing());
    EXPECT_EQ(app.windows.btnEditPlayVal.title, "Play");
    EXPECT_EQ(simTime(), "10:00:04:10");

    const auto& m = app.app->messages;
    const auto bytes = [](const auto& a) { return fake::Bytes(a.begin(), a.end()); };
    EXPECT_EQ(sim.receivedMessages(),
              (std::vector<fake::Bytes>{
                  bytes(m.sysexMmcSetGen),
                  {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, 0x2A, 0, 0, 0, 0, 0xF7},
                  bytes(m.sysexMmcPlay),
                  {0xF0, 0x2C, 0x4D, 0x57, 0x09, 10, 0, 1, 0, 0, 0xF7},
                  {0xF0, 0x2C, 0x4D, 0x57, 0x09, 10, 0, 2, 0, 0, 0xF7},
                  bytes(m.sysexMmcStop)}));
}

TEST_F(Playback, TheMachineHaltsAtTheStopTimeAndThePlayerGoesIdle) {
    addRecord(app, {"1", "10:00:00:00", "10:00:01:05", ""});
    addRecord(app, {"2", "10:00:03:00", "", ""});
    app.app->LogActualWrite();

    app.app->btnEditPlay();
    carry();
    runFrames(60);
    EXPECT_FALSE(sim.playing());
    EXPECT_EQ(simTime(), "10:00:01:05");
    EXPECT_EQ(app.windows.btnEditPlayVal.title, "Play");
    EXPECT_EQ(app.app->playStopFlag, 0);
    EXPECT_EQ(app.windows.txtEditNr.value, "1");
    EXPECT_EQ(app.windows.statusText.value, "  10:00:01:05");
    EXPECT_EQ(app.midi.messages().size(), 4u) << "no MMC stop: the interface stopped the machine";
}

}  // namespace
