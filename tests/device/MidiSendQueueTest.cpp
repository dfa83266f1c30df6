// The send queue: how much may wait, and the controller's messages through it, paced.

#include <gtest/gtest.h>

#include <semaphore>
#include <sstream>
#include <string>
#include <thread>

#include "device/MidiSendQueue.h"
#include "platform/fake/FakePlatform.h"

namespace {

// A row pushes its messages while the first one is on the wire, so all of them wait. Each
// word is a message: its label, "@2" for connection 2 (1 otherwise), a label starting with T
// for a player time; "close@N" drops connection N. What leaves after the first message, then
// what is dropped, in order; and how many went for the bound, said in one line of the log.
TEST(MidiSendQueue, WhatWaitsIsBoundedAndOnlyTheLatestPlayerTimeGoes) {
    const auto words = [](int from, int to) {
        std::string out;
        for (int i = from; i < to; ++i) out += (i > from ? " m" : "m") + std::to_string(i);
        return out;
    };
    const std::tuple<const char*, std::string, std::string, std::size_t> rows[] = {
        {"a newer player time takes the one waiting", "T1 play T2 T3", "T3 play / T1 T2", 0},
        {"player times of another connection stay", "T1 T2@2", "T1 T2@2 / ", 0},
        {"a closed connection's messages are dropped", "a T1 other@2 b close@1 c@2",
         "other@2 c@2 / a T1 b", 0},
        {"past the bound the oldest go", words(0, 300), words(44, 300) + " / " + words(0, 44), 44},
        {"up to the bound nothing is dropped", words(0, 256), words(0, 256) + " / ", 0},
    };
    for (const auto& [name, steps, expected, overflowed] : rows) {
        SCOPED_TRACE(name);
        std::string sent, dropped;
        std::vector<std::string> log;
        const auto add = [](std::string& to, const std::string& label) {
            to += (to.empty() ? "" : " ") + label;
        };
        // The first message's pause lasts until the row has pushed everything, so the queue's
        // thread neither sends nor settles anything while the row pushes.
        std::binary_semaphore gate{0}, onTheWire{0};
        bool first = true;
        {
            MidiSendQueue queue(
                [&](std::chrono::milliseconds) {
                    if (std::exchange(first, false))
                        gate.acquire();
                },
                [&](std::string_view line) { log.emplace_back(line); });
            queue.push([&] { onTheWire.release(); });
            onTheWire.acquire();
            std::istringstream in(steps);
            for (std::string step; in >> step;) {
                const auto at = step.find('@');
                const std::uint64_t connection =
                    at == std::string::npos ? 1 : std::stoul(step.substr(at + 1));
                if (step.starts_with("close@")) {
                    queue.dropConnection(connection);
                    continue;
                }
                MidiSendQueue::Message m;
                m.send = [&, step] { add(sent, step); };
                // Settled without having been sent: dropped.
                m.settled = [&, step] {
                    if ((" " + sent + " ").find(" " + step + " ") == std::string::npos)
                        add(dropped, step);
                };
                m.connection = connection;
                m.playerTime = step[0] == 'T';
                queue.push(std::move(m));
            }
            gate.release();
            queue.waitUntilIdle();
            EXPECT_EQ(queue.overflowed(), overflowed);
        }
        EXPECT_EQ(sent + " / " + dropped, expected);
        EXPECT_EQ(log.size(), overflowed > 0 ? 1u : 0u);
    }
    // What waits when the queue closes still leaves: the last may be the machine's stop.
    std::counting_semaphore<3> gate{0};
    std::string sent;
    auto queue = std::make_unique<MidiSendQueue>([&gate](auto) { gate.acquire(); });
    for (const char* label : {"a", "b", "stop"}) queue->push([&sent, label] { sent += label; });
    std::thread closing([&] { queue.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the close comes first
    gate.release(3);
    closing.join();
    EXPECT_EQ(sent, "abstop");
}

TEST(SendMidi, AMessageLeavesAsItStoodWhenQueuedAndOnlyTheLatestPlayerTimeWaits) {
    fake::App app;
    app.app->midiOpenFlag = 1;
    auto& m = app.app->messages;
    // While the first locate is on the wire the rest are queued: a second locate, patched
    // anew, then a stop, a comparison and a stop time, of which the interface wants the latest.
    app.midi.onSend = [&, first = true](const fake::Bytes&) mutable {
        if (!std::exchange(first, false))
            return;
        m.patchLocate("02:00:00:00", app.app->mmcFpsAddWert);
        app.app->send(m.sysexMmcLocate);
        int frame = 6;
        for (auto* time : {&m.sysexSendStoptime, &m.sysexSendVergltime, &m.sysexSendStoptime}) {
            MessageSet::patchPlayerTime(*time, "05:06:07:0" + std::to_string(frame++));
            app.app->send(*time);
        }
    };
    m.patchLocate("01:00:00:00", app.app->mmcFpsAddWert);
    app.app->send(m.sysexMmcLocate);
    app.app->waitForSends();
    const auto sent = app.midi.sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(fake::hex(app.midi.messages()[0]), "F0 7F 7F 06 44 06 01 21 00 00 00 00 F7");
    EXPECT_EQ(fake::hex(app.midi.messages()[1]), "F0 7F 7F 06 44 06 01 22 00 00 00 00 F7");
    EXPECT_EQ(fake::hex(app.midi.messages()[2]), "F0 2C 4D 57 08 05 06 07 08 00 F7");
    EXPECT_GE(sent[1].at - sent[0].at, std::chrono::milliseconds(50));
}

}  // namespace
