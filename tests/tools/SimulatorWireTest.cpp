#include <gtest/gtest.h>

#include "SimOptions.h"
#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"
#include "vexasim/ClockDriver.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

using namespace std::chrono_literals;
using vexasim::FrameRate;
using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<Bytes>;

constexpr FrameRate k24 = FrameRate::fps24, k25 = FrameRate::fps25,
                    k2997 = FrameRate::fps2997DropFrame, k30 = FrameRate::fps30;

const auto vexa = [](auto... b) { return Bytes{0xF0, 0x2C, 0x4D, std::uint8_t(b)..., 0xF7}; };
const auto mmc = [](auto... b) { return Bytes{0xF0, 0x7F, 0x7F, 0x06, std::uint8_t(b)..., 0xF7}; };
const auto fullFrame = [](auto... b) {
    return Bytes{0xF0, 0x7F, 0x7F, 1, 1, std::uint8_t(b)..., 0xF7};
};
const auto qf = [](std::uint8_t data) { return Bytes{0xF1, data}; };
// Not messages: runs `quarters` quarter frames; makes the machine a recorder that records again
// after `frames`; sets it recording.
const auto run = [](int quarters) { return Bytes{0x00, std::uint8_t(quarters)}; };
const auto recorder = [](int frames) { return Bytes{0x01, std::uint8_t(frames)}; };
const Bytes kRecord{0x02};
const auto list = [](auto... m) { return Messages{Bytes(m)...}; };
const auto at = [](int h, int m, int s, int f) { return vexasim::Timecode{h, m, s, f}; };
const Bytes kPlay = mmc(0x02), kStop = mmc(0x01), kLoggingOn = vexa(0x57, 0x01);

struct Wire {
    Messages sent;
    vexasim::SimulatedInterface sim{[this](auto out) {
        platform::forEachMidiPacket(out, [this](auto m) { sent.emplace_back(m.begin(), m.end()); });
    }};
};

TEST(SimulatorWire, AnswersQuarterFramesAndEventsAreTheInterfacesOwnBytes) {
    struct Row {
        const char* name; FrameRate rate; vexasim::Timecode at;
        Messages steps;  // the program's commands and runs of time, in order
        Messages sent;   // quarter frames left out unless a row names some
    };
    const Row rows[] = {
        {"status sense: version 2.1 unless told", k25, at(0, 0, 0, 0), list(vexa(0x10)),
         list(vexa(0x21, '2', '1'))},
        {"logging state before and after logging on", k25, at(0, 0, 0, 0),
         list(vexa(0x57, 0x7F), kLoggingOn, vexa(0x57, 0x7F)),
         list(vexa(0x67, 0x00, 0), vexa(0x67, 0x00, 1))},
        {"pieces low nibble first, rate code in piece 7", k25, at(1, 2, 3, 4), list(kPlay, run(8)),
         list(fullFrame(0x21, 2, 3, 4), qf(0x04), qf(0x10), qf(0x23), qf(0x30), qf(0x42), qf(0x50),
              qf(0x61), qf(0x72))},
        {"high hours bit; a group keeps its frame", k30, at(23, 45, 50, 29), list(kPlay, run(8)),
         list(fullFrame(0x77, 45, 50, 29), qf(0x0D), qf(0x11), qf(0x22), qf(0x33), qf(0x4D),
              qf(0x52), qf(0x67), qf(0x77))},
        {"drop-frame keeps every tenth minute's first labels", k2997, at(0, 9, 59, 29),
         list(kPlay, run(4), kStop), list(fullFrame(0x40, 9, 59, 29), fullFrame(0x40, 10, 0, 0))},
        {"automatic logs in plain numbers", k25, at(1, 0, 0, 0), list(kLoggingOn, kPlay, run(56)),
         list(fullFrame(0x21, 0, 0, 0), vexa(0x67, 0x01, 1, 0, 0, 0, 1),
              vexa(0x67, 0x02, 1, 0, 0, 4), vexa(0x67, 0x01, 1, 0, 0, 10, 1),
              vexa(0x67, 0x02, 1, 0, 0, 14))},
        {"a drop-frame log across skipped labels", k2997, at(0, 0, 59, 28),
         list(kLoggingOn, kPlay, run(16)),
         list(fullFrame(0x40, 0, 59, 28), vexa(0x67, 0x01, 0, 0, 59, 28, 2),
              vexa(0x67, 0x02, 0, 1, 0, 4))},
        {"manual start, a clock byte inside it, and stop at 24 fps", k24, at(2, 3, 4, 5),
         list(vexa(0x57, 0xF8, 0x06), vexa(0x57, 0x07)),
         list(vexa(0x67, 0x01, 2, 3, 4, 5, 0), vexa(0x67, 0x02, 2, 3, 4, 5))},
        {"the stop time fires once and halts there", k25, at(10, 0, 0, 0),
         list(kPlay, vexa(0x57, 0x08, 10, 0, 0, 3, 0), run(40)),
         list(fullFrame(0x2A, 0, 0, 0), vexa(0x67, 0x08), fullFrame(0x2A, 0, 0, 3))},
        {"a recorder logs no take during a playback, and records on after what it recorded", k25,
         at(1, 0, 0, 0),
         list(recorder(2), kLoggingOn, kRecord, run(8), mmc(0x44, 6, 1, 0, 59, 0, 0, 0), kPlay,
              vexa(0x57, 0x08, 0, 59, 0, 12, 0), run(48), run(40)),
         list(fullFrame(0x21, 0, 0, 0), vexa(0x67, 0x01, 1, 0, 0, 0, 1),
              vexa(0x67, 0x02, 1, 0, 0, 2), fullFrame(0x20, 59, 0, 0), vexa(0x67, 0x08),
              fullFrame(0x20, 59, 0, 12), fullFrame(0x21, 0, 0, 2), vexa(0x67, 0x01, 1, 0, 0, 2, 1),
              vexa(0x67, 0x02, 1, 0, 0, 6))},
        {"the comparison time fires once across midnight", k30, at(23, 59, 59, 28),
         list(kPlay, vexa(0x57, 0x09, 0, 0, 0, 1, 0), run(40)),
         list(fullFrame(0x77, 59, 59, 28), vexa(0x67, 0x09))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Wire wire;
        wire.sim.setFrameRate(row.rate);
        wire.sim.setAutoLogTiming(10, 4);
        wire.sim.locate(row.at);
        wire.sent.clear();
        for (const Bytes& step : row.steps) {
            if (step[0] == 0x00)
                wire.sim.advanceQuarterFrames(step[1]);
            else if (step[0] == 0x01)
                wire.sim.setRecordAfterPlayback(step[1]);
            else if (step == kRecord)
                wire.sim.play();
            else
                wire.sim.receive(platform::makeMidiPacketList(step));
        }
        const auto quarter = [](const Bytes& m) { return m[0] == 0xF1; };
        if (std::none_of(row.sent.begin(), row.sent.end(), quarter))
            std::erase_if(wire.sent, quarter);
        EXPECT_EQ(wire.sent, row.sent);
    }
}

TEST(SimOptions, ReadLtcTakesADropFrameStartAndLoggingAndRefuseNoFrames) {
    std::string error;
    const auto o = vexasim::parseSimOptions(
        {"--fps", "29.97", "--start", "10:01:00;02", "--ltc-takes", "10,3"}, &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(std::tuple(o->startAt.hours, o->startAt.frames, o->ltcRunSeconds, o->ltcPauseSeconds),
              std::tuple(10, 2, 10, 3));  // 00 and 01 are dropped in that minute, not 02
    for (const char* dropped : {"10:01:00;00", "10:01:00;01"})
        EXPECT_FALSE(vexasim::parseSimOptions({"--fps", "29.97", "--start", dropped}, &error));
    EXPECT_TRUE(vexasim::parseSimOptions({"--ltc"}, &error).value_or(vexasim::SimOptions{}).ltc);
    const std::pair<const char*, FrameRate> rates[] = {{"24", k24}, {"25", k25}, {"29.97", k2997},
                                                       {"30", k30}};
    for (const auto& [text, rate] : rates)
        EXPECT_EQ(vexasim::parseSimOptions({"--fps", text}, &error).value().rate, rate) << text;
    Wire wire;  // --logging: the interface starts switched on, with the timing asked
    vexasim::configure(wire.sim, vexasim::parseSimOptions({"--logging", "--log-every", "100",
                                                          "--log-length", "20"}, &error).value());
    EXPECT_EQ(std::tuple(wire.sim.loggingOn(), wire.sim.autoLogEveryFrames(),
                         wire.sim.autoLogLengthFrames()), std::tuple(true, 100, 20));
    for (const char* frames : {"0", "x"})
        EXPECT_FALSE(vexasim::parseSimOptions({"--log-every", frames}, &error)) << frames;
}

TEST(SimulatorWire, QuarterFramesKeepTheTrueRateWithoutDriftOrBursts) {
    struct Row {
        const char* name; FrameRate rate; std::chrono::milliseconds step; int steps, quarters;
        int recordAfter = 0;  // seconds a halted recorder waits, as the command line gives them
        int stopAt = -1;      // the step before which the machine stops and plays again
    };
    const Row rows[] = {
        {"30 fps for a second", k30, 20ms, 50, 120},
        {"29.97 fps: 1200 take 10.01 s, not 10", k2997, 7ms, 1429, 1199},
        {"29.97 fps just past 10.01 s", k2997, 7ms, 1431, 1200},
        {"late wake-ups that never line up add no drift", k25, 3ms, 1000, 300},
        {"a thread held up for long starts afresh", k25, 5s, 1, 0},
        {"a halted recorder's second at 30 fps, then quarter frames", k30, 20ms, 100, 121, 1},
        {"a second, a stop and a play: the second second counted afresh", k25, 20ms, 100, 200,
         0, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Wire wire;
        vexasim::ClockDriver::Clock::time_point now{};
        vexasim::ClockDriver driver(wire.sim, [&now] { return now; });
        wire.sim.setFrameRate(row.rate);
        wire.sim.play();
        vexasim::SimOptions options;
        options.recordAfterPlaybackSeconds = row.recordAfter;
        vexasim::configure(wire.sim, options);
        if (row.recordAfter > 0)
            wire.sim.stop();
        driver.catchUp();
        wire.sent.clear();
        for (int i = 0; i < row.steps; ++i) {
            if (i == row.stopAt) {
                wire.sim.stop();
                driver.catchUp();
                wire.sim.play();
            }
            now += row.step;
            driver.catchUp();
        }
        EXPECT_EQ(wire.sent.size(), static_cast<std::size_t>(row.quarters));
    }
}

// The demo's interface logs from the start, and records again after a playback, when asked.
TEST(SimulateWiring, TheDemosInterfaceIsSwitchedOnAndARecorderWhenAsked) {
    for (const bool on : {false, true}) {
        vexasim::SimulatedMidiSystem midi({.loggingOn = on,
                                           .recordAfterPlaybackSeconds = on ? 3 : 0,
                                           .startClock = false});
        midi.driver().withInterface([on](vexasim::SimulatedInterface& sim) {
            sim.stop();
            EXPECT_EQ(std::pair(sim.loggingOn(), sim.waitingToRecord()), std::pair(on, on));
            EXPECT_EQ(sim.frameRate(), k25);  // what the program starts at
        });
    }
}

// The demo's interface talks only into a port connected to it.
TEST(SimulateWiring, NothingReachesAnInputPortBeforeItIsConnected) {
    static int heard = 0;
    vexasim::SimulatedMidiSystem midi({.play = false, .startClock = false});
    platform::MidiRef client = 0, in = 0;
    midi.clientCreate("test", client);
    midi.inputPortCreate(client, "in", [](auto, void*, void*) { ++heard; }, in);
    const std::vector<std::uint8_t> ask = {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06,
                                           0x01, 0x21, 0,    0,    0,    0,    0xF7};  // locate
    for (const bool connected : {false, true}) {
        if (connected)
            midi.portConnectSource(in, midi.sourceOfDevice(midi.destination(0)));
        heard = 0;
        midi.driver().receive(platform::makeMidiPacketList(ask));
        EXPECT_EQ(heard > 0, connected);
    }
    // The program lets go of a link it is told leads nowhere, and the demo's would go every scan.
    EXPECT_TRUE(midi.portConnected(in));
}

}  // namespace
