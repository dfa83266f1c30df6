// Device events arriving on a receive thread take effect on the main thread, in order.

#include <gtest/gtest.h>

#include <thread>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

TEST(ThreadHandOver, OnlyTheStatusFlagChangesOnTheReceiveThread) {
    fake::App app;
    std::thread receiver([] {
        myReadProc(platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7}),
                   nullptr, nullptr);
        myReadProc(
            platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7}),
            nullptr, nullptr);
    });
    receiver.join();
    // The waiting main thread sees the flag at once; the windows and the log are untouched.
    EXPECT_EQ(app.app->midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(app.app->logStartArray.count(), 10u);
    EXPECT_EQ(app.mainThread.drain(), 2);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    EXPECT_EQ(app.app->logStartArray.recordCount(), 1);
}

TEST(ThreadHandOver, ManyEventsFromTheReceiveThreadKeepTheirOrder) {
    fake::App app;
    app.app->midiOpenFlag = 0;
    constexpr int kLogs = 200;
    std::thread receiver([] {
        for (int i = 0; i < kLogs; ++i) {
            const auto s = static_cast<std::uint8_t>(i % 60), m = static_cast<std::uint8_t>(i / 60);
            myReadProc(platform::makeMidiPacketList(
                           Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, m, s, 0, 0, 0xF7}),
                       nullptr, nullptr);
            myReadProc(
                platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, m, s, 9, 0xF7}),
                nullptr, nullptr);
        }
    });
    // The main thread works through the events while they still arrive.
    while (app.app->logStartArray.recordCount() < kLogs) app.mainThread.drain();
    receiver.join();
    app.mainThread.drain();
    ASSERT_EQ(app.app->logStartArray.recordCount(), kLogs);
    for (int r = 1; r <= kLogs; ++r) {
        const int i = r - 1;
        ASSERT_EQ(app.field(r, 0), std::to_string(r));
        char start[32], stop[32];
        std::snprintf(start, sizeof start, "01:%02d:%02d:00", i / 60, i % 60);
        std::snprintf(stop, sizeof stop, "01:%02d:%02d:09", i / 60, i % 60);
        ASSERT_EQ(app.field(r, 1), start) << "record " << r;
        ASSERT_EQ(app.field(r, 2), stop) << "record " << r;
    }
}

}  // namespace
