// Timecodes patched into the messages for the interface, and how the messages leave.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::hex;

template <std::size_t N>
std::string hexOf(const std::array<std::uint8_t, N>& message) {
    return hex({message.begin(), message.end()});
}

TEST(MessageSet, TimecodesGoIntoTheirBytesWithTheRateOnlyInTheLocatesHours) {
    MessageSet m;
    const std::pair<std::uint8_t, const char*> rates[] = {
        {0, "F0 7F 7F 06 44 06 01 0A 00 00 00 00 F7"},
        {96, "F0 7F 7F 06 44 06 01 6A 00 00 00 00 F7"},
    };
    for (const auto& [code, bytes] : rates) {
        m.patchLocate("10:00:00:00", code);
        EXPECT_EQ(hexOf(m.sysexMmcLocate), bytes) << int(code);
    }
    m.patchLocate("01;02;03;04", 32);
    EXPECT_EQ(hexOf(m.sysexMmcLocate), "F0 7F 7F 06 44 06 01 21 02 03 04 00 F7");
    MessageSet::patchPlayerTime(m.sysexSendStoptime, "01:02:03:04");
    EXPECT_EQ(hexOf(m.sysexSendStoptime), "F0 2C 4D 57 08 01 02 03 04 00 F7");
    MessageSet::patchPlayerTime(m.sysexSendVergltime, "01;02;03;04");
    EXPECT_EQ(hexOf(m.sysexSendVergltime), "F0 2C 4D 57 09 01 02 03 04 00 F7");
}

TEST(SendMidi, AMessageLeavesAsItStoodWhenQueuedFiftyMillisecondsAfterThePrevious) {
    fake::App app;
    app.app->midiOpenFlag = 1;
    auto& m = app.app->messages;
    m.patchLocate("01:00:00:00", app.app->mmcFpsAddWert);
    app.app->send(m.sysexMmcLocate);
    // Patched again while the first locate waits. (Two player times would not do: a newer
    // one replaces one still waiting.)
    m.patchLocate("02:00:00:00", app.app->mmcFpsAddWert);
    app.app->send(m.sysexMmcLocate);
    app.app->waitForSends();
    const auto sent = app.midi.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(hex(app.midi.messages()[0]), "F0 7F 7F 06 44 06 01 21 00 00 00 00 F7");
    EXPECT_EQ(hex(app.midi.messages()[1]), "F0 7F 7F 06 44 06 01 22 00 00 00 00 F7");
    EXPECT_EQ(sent[0].packetList.size(), 4u + 10u + 13u) << "one packet holds the message";
    EXPECT_GE(sent[1].at - sent[0].at, std::chrono::milliseconds(50));
}

}  // namespace
