// Device events arriving on a receive thread take effect on the main thread, in order.

#include <gtest/gtest.h>

#include <thread>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

void receiveOnThisThread(const Bytes& message) {
    myReadProc(platform::makeMidiPacketList(message), nullptr, nullptr);
}
Bytes logEvent(std::uint8_t kind, int i) {
    const auto s = static_cast<std::uint8_t>(i % 60), m = static_cast<std::uint8_t>(i / 60);
    return kind == 1 ? Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, m, s, 0, 0, 0xF7}
                     : Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, m, s, 9, 0xF7};
}

TEST(ThreadHandOver, OnlyTheStatusFlagChangesOnTheReceiveThreadAndEventsKeepTheirOrder) {
    fake::App app;
    std::thread([] {
        receiveOnThisThread({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
        receiveOnThisThread(logEvent(1, 0));
    }).join();
    // The waiting main thread sees the flag at once; the windows and the log are untouched.
    EXPECT_EQ(app.app->midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(app.app->logStartArray.recordCount(), 0);
    EXPECT_EQ(app.mainThread.drain(), 2);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");

    constexpr int kLogs = 200;
    std::thread receiver([] {
        receiveOnThisThread(logEvent(2, 0));
        for (int i = 1; i < kLogs; ++i) {
            receiveOnThisThread(logEvent(1, i));
            receiveOnThisThread(logEvent(2, i));
        }
    });
    // The main thread works through the events while they still arrive.
    while (app.field(kLogs, kFieldStop).empty()) app.mainThread.drain();
    receiver.join();
    ASSERT_EQ(app.mainThread.drain(), 0);
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
