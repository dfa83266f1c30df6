// The messages sent to the interface, byte for byte, and when they are sent at all.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::hex;

TEST(MessageSet, FixedMessagesAreByteExact) {
    const MessageSet m;
    EXPECT_EQ(hex({m.sysexStatusSense.begin(), m.sysexStatusSense.end()}), "F0 2C 4D 10 F7");
    EXPECT_EQ(hex({m.sysexLogAktivOff.begin(), m.sysexLogAktivOff.end()}), "F0 2C 4D 57 00 F7");
    EXPECT_EQ(hex({m.sysexLogAktivOn.begin(), m.sysexLogAktivOn.end()}), "F0 2C 4D 57 01 F7");
    EXPECT_EQ(hex({m.sysexLogFailedFrameOff.begin(), m.sysexLogFailedFrameOff.end()}),
              "F0 2C 4D 57 04 F7");
    EXPECT_EQ(hex({m.sysexLogFailedFrameOn.begin(), m.sysexLogFailedFrameOn.end()}),
              "F0 2C 4D 57 05 F7");
    EXPECT_EQ(hex({m.sysexLogManualStart.begin(), m.sysexLogManualStart.end()}),
              "F0 2C 4D 57 06 F7");
    EXPECT_EQ(hex({m.sysexLogManualStop.begin(), m.sysexLogManualStop.end()}), "F0 2C 4D 57 07 F7");
    EXPECT_EQ(hex({m.sysexLogAktivRead.begin(), m.sysexLogAktivRead.end()}), "F0 2C 4D 57 7F F7");
    EXPECT_EQ(hex({m.sysexMmcPlay.begin(), m.sysexMmcPlay.end()}), "F0 7F 7F 06 02 F7");
    EXPECT_EQ(hex({m.sysexMmcStop.begin(), m.sysexMmcStop.end()}), "F0 7F 7F 06 01 F7");
    EXPECT_EQ(hex({m.sysexMmcSetGen.begin(), m.sysexMmcSetGen.end()}),
              "F0 7F 7F 06 40 03 46 01 0A F7");
}

TEST(MessageSet, LocateCarriesTheFrameRateInItsHoursByte) {
    MessageSet m;
    const std::pair<std::uint8_t, const char*> rates[] = {
        {0, "F0 7F 7F 06 44 06 01 0A 00 00 00 00 F7"},
        {32, "F0 7F 7F 06 44 06 01 2A 00 00 00 00 F7"},
        {64, "F0 7F 7F 06 44 06 01 4A 00 00 00 00 F7"},
        {96, "F0 7F 7F 06 44 06 01 6A 00 00 00 00 F7"},
    };
    for (const auto& [code, bytes] : rates) {
        m.patchLocate("10:00:00:00", code);
        EXPECT_EQ(hex({m.sysexMmcLocate.begin(), m.sysexMmcLocate.end()}), bytes) << int(code);
    }
    m.patchLocate("01;02;03;04", 32);
    EXPECT_EQ(hex({m.sysexMmcLocate.begin(), m.sysexMmcLocate.end()}),
              "F0 7F 7F 06 44 06 01 21 02 03 04 00 F7");
}

TEST(MessageSet, PlayerTimesHaveNoRateBits) {
    MessageSet m;
    MessageSet::patchPlayerTime(m.sysexSendStoptime, "01:02:03:04");
    EXPECT_EQ(hex({m.sysexSendStoptime.begin(), m.sysexSendStoptime.end()}),
              "F0 2C 4D 57 08 01 02 03 04 00 F7");
    MessageSet::patchPlayerTime(m.sysexSendVergltime, "01;02;03;04");
    EXPECT_EQ(hex({m.sysexSendVergltime.begin(), m.sysexSendVergltime.end()}),
              "F0 2C 4D 57 09 01 02 03 04 00 F7");
}

TEST(SendMidi, NothingLeavesWithoutAnOpenConnection) {
    fake::App app;
    app.app->send(app.app->messages.sysexStatusSense);
    app.app->waitForSends();
    EXPECT_TRUE(app.midi.sent().empty());
}

TEST(SendMidi, MessagesLeaveInOrderAtLeastFiftyMillisecondsApartToTheOpenDestination) {
    fake::App app;
    app.app->midiOpenFlag = 1;
    app.app->midiout = 41;
    app.app->dest = 42;
    const auto started = std::chrono::steady_clock::now();
    app.app->send(app.app->messages.sysexLogAktivRead);
    app.app->send(app.app->messages.sysexStatusSense);
    app.app->send(app.app->messages.sysexMmcPlay);
    // The caller never waits for the pacing.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(50));
    app.app->waitForSends();

    const auto sent = app.midi.sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(hex(app.midi.messages()[0]), "F0 2C 4D 57 7F F7");
    EXPECT_EQ(hex(app.midi.messages()[1]), "F0 2C 4D 10 F7");
    EXPECT_EQ(hex(app.midi.messages()[2]), "F0 7F 7F 06 02 F7");
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].port, 41u);
        EXPECT_EQ(sent[i].destination, 42u);
        // One packet holding the whole message.
        EXPECT_EQ(sent[i].packetList.size(), 4u + 10u + app.midi.messages()[i].size());
    }
    EXPECT_GE(sent[1].at - sent[0].at, std::chrono::milliseconds(50));
    EXPECT_GE(sent[2].at - sent[1].at, std::chrono::milliseconds(50));
}

TEST(SendMidi, AMessagePatchedAgainAfterItWasQueuedLeavesAsItWasWhenSent) {
    fake::App app;
    app.app->midiOpenFlag = 1;
    auto& m = app.app->messages;
    // (Two player times would not do: a newer one replaces one still waiting.)
    m.patchLocate("01:00:00:00", app.app->mmcFpsAddWert);
    app.app->send(m.sysexMmcLocate);
    m.patchLocate("02:00:00:00", app.app->mmcFpsAddWert);
    app.app->send(m.sysexMmcLocate);
    app.app->waitForSends();
    const auto sent = app.midi.messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(hex(sent[0]), "F0 7F 7F 06 44 06 01 21 00 00 00 00 F7");
    EXPECT_EQ(hex(sent[1]), "F0 7F 7F 06 44 06 01 22 00 00 00 00 F7");
}

}  // namespace
