// The send queue: order across threads, pacing, nothing lost at shutdown, and how much may wait.

#include <gtest/gtest.h>

#include <algorithm>
#include <semaphore>
#include <string>
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

// One step of a row: push a message (a label, its connection, whether it is a player time),
// or close a connection.
struct Step {
    std::string label;
    std::uint64_t connection = 1;
    bool playerTime = false;
    bool close = false;
};

struct BoundCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> sent;  // after the first message, which is on the wire already
    std::vector<std::string> dropped;
    std::size_t logLines;
};

Step player(std::string label, std::uint64_t connection = 1) {
    return {std::move(label), connection, true, false};
}
Step closing(std::uint64_t connection) {
    return {"", connection, false, true};
}
std::vector<Step> many(int n) {
    std::vector<Step> steps;
    for (int i = 0; i < n; ++i) steps.push_back({"m" + std::to_string(i)});
    return steps;
}
std::vector<std::string> labels(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i < to; ++i) out.push_back("m" + std::to_string(i));
    return out;
}

class MidiSendQueueBound : public ::testing::TestWithParam<BoundCase> {};

TEST_P(MidiSendQueueBound, WhatWaitsIsBoundedAndOnlyTheLatestPlayerTimeGoes) {
    const BoundCase& c = GetParam();
    std::mutex mutex;
    std::vector<std::string> sent, dropped, log;
    // The first message's pause lasts until the row has pushed everything: all of it waits.
    std::binary_semaphore gate{0};
    bool first = true;
    {
        MidiSendQueue queue(
            [&](std::chrono::milliseconds) {
                if (std::exchange(first, false))
                    gate.acquire();
            },
            [&](std::string_view line) { log.emplace_back(line); });
        auto push = [&](const Step& s) {
            MidiSendQueue::Message m;
            m.send = [&, label = s.label] {
                std::lock_guard lock(mutex);
                sent.push_back(label);
            };
            // Settled without having been sent: dropped.
            m.settled = [&, label = s.label] {
                std::lock_guard lock(mutex);
                if (std::find(sent.begin(), sent.end(), label) == sent.end())
                    dropped.push_back(label);
            };
            m.connection = s.connection;
            m.playerTime = s.playerTime;
            queue.push(std::move(m));
        };
        push({"on the wire"});
        for (bool onTheWire = false; !onTheWire; std::this_thread::yield()) {
            std::lock_guard lock(mutex);
            onTheWire = !sent.empty();
        }
        for (const Step& s : c.steps) {
            if (s.close)
                queue.dropConnection(s.connection);
            else
                push(s);
        }
        gate.release();
        queue.waitUntilIdle();
        EXPECT_EQ(queue.overflowed(), c.logLines == 0 ? 0u : c.dropped.size());
    }
    std::vector<std::string> expected = {"on the wire"};
    expected.insert(expected.end(), c.sent.begin(), c.sent.end());
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(dropped, c.dropped);
    EXPECT_EQ(log.size(), c.logLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MidiSendQueueBound,
    ::testing::Values(
        BoundCase{"ANewerPlayerTimeTakesTheWaitingOnesPlace",
                  {player("stop 1"), {"play"}, player("compare 2"), player("compare 3")},
                  {"compare 3", "play"},
                  {"stop 1", "compare 2"},
                  0},
        BoundCase{"PlayerTimesOfAnotherConnectionStay",
                  {player("old"), player("new", 2)},
                  {"old", "new"},
                  {},
                  0},
        BoundCase{"AClosedConnectionsMessagesAreDropped",
                  {{"a"}, player("time"), {"other", 2}, {"b"}, closing(1), {"c", 2}},
                  {"other", "c"},
                  {"a", "time", "b"},
                  0},
        BoundCase{"PastTheBoundTheOldestGoWithOneLogLine", many(300), labels(44, 300),
                  labels(0, 44), 1},
        BoundCase{"UpToTheBoundNothingIsDropped", many(256), labels(0, 256), {}, 0}),
    [](const ::testing::TestParamInfo<BoundCase>& info) { return info.param.name; });

}  // namespace
