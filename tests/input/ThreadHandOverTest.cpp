// Device events arriving on a receive thread take effect on the main thread, in order.

#include <gtest/gtest.h>

#include <thread>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

void receiveOnThisThread(const Bytes& message) {
    myReadProc(platform::makeMidiPacketList(message), nullptr, nullptr);
}

TEST(ThreadHandOver, OnlyTheStatusFlagChangesOnTheReceiveThread) {
    fake::App app;
    std::thread([] {
        receiveOnThisThread({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
        receiveOnThisThread({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
    }).join();
    // The waiting main thread sees the flag at once; the windows and the log are untouched.
    EXPECT_EQ(app.app->midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(app.app->logStartArray.recordCount(), 0);
    EXPECT_EQ(app.mainThread.drain(), 2);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    EXPECT_EQ(app.app->logStartArray.recordCount(), 1);
}

TEST(ThreadHandOver, ManyEventsFromTheReceiveThreadKeepTheirOrder) {
    fake::App app;
    constexpr int kLogs = 200;
    std::thread receiver([] {
        for (int i = 0; i < kLogs; ++i) {
            const auto s = static_cast<std::uint8_t>(i % 60), m = static_cast<std::uint8_t>(i / 60);
            receiveOnThisThread({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, m, s, 0, 0, 0xF7});
            receiveOnThisThread({0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, m, s, 9, 0xF7});
        }
    });
    // The main thread works through the events while they still arrive.
    while (app.app->logStartArray.recordCount() < kLogs) app.mainThread.drain();
    receiver.join();
    app.mainThread.drain();
    ASSERT_EQ(app.app->logStartArray.recordCount(), kLogs);
    for (int r = 1; r <= kLogs; ++r) {
        char start[32];
        std::snprintf(start, sizeof start, "01:%02d:%02d:", (r - 1) / 60, (r - 1) % 60);
        ASSERT_EQ(app.field(r, kFieldNumber), std::to_string(r));
        ASSERT_EQ(app.field(r, kFieldStart), start + std::string("00")) << "record " << r;
        ASSERT_EQ(app.field(r, kFieldStop), start + std::string("09")) << "record " << r;
    }
}

}  // namespace
