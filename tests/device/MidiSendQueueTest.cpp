// The send queue: order across threads, pacing, and nothing lost at shutdown.

#include <gtest/gtest.h>

#include <thread>

#include "device/MidiSendQueue.h"

namespace {

TEST(MidiSendQueue, PausesAfterEverySendAndKeepsOrderAcrossThreads) {
    std::mutex mutex;
    std::vector<std::string> log;
    auto record = [&](std::string what) {
        std::lock_guard lock(mutex);
        log.push_back(std::move(what));
    };
    {
        MidiSendQueue queue(
            [&](std::chrono::milliseconds d) { record("pause " + std::to_string(d.count())); });
        std::thread other([&] {
            for (int i = 0; i < 50; ++i)
                queue.push([&record, i] { record("b" + std::to_string(i)); });
        });
        for (int i = 0; i < 50; ++i) queue.push([&record, i] { record("a" + std::to_string(i)); });
        other.join();
        queue.waitUntilIdle();
    }
    ASSERT_EQ(log.size(), 200u);
    int nextA = 0, nextB = 0;
    for (std::size_t i = 0; i < log.size(); i += 2) {
        EXPECT_EQ(log[i + 1], "pause 50") << "after " << log[i];
        if (log[i][0] == 'a')
            EXPECT_EQ(log[i], "a" + std::to_string(nextA++));
        else
            EXPECT_EQ(log[i], "b" + std::to_string(nextB++));
    }
}

TEST(MidiSendQueue, QueuedMessagesStillLeaveWhenTheQueueCloses) {
    int sent = 0;
    {
        MidiSendQueue queue([](std::chrono::milliseconds) {});
        for (int i = 0; i < 20; ++i) queue.push([&sent] { ++sent; });
    }
    EXPECT_EQ(sent, 20);
}

}  // namespace
