#include <gtest/gtest.h>

#include "platform/MidiPacketList.h"
#include "tests/tools/VexasimLink.h"
#include "vexasim/SimulatedInterface.h"

namespace vexasim_test {
namespace {

using vexasim::FrameRate;
using vexasim::Timecode;

const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kReadLoggingState = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
const Bytes kLoggingOff = {0xF0, 0x2C, 0x4D, 0x57, 0x00, 0xF7};
const Bytes kLoggingOn = {0xF0, 0x2C, 0x4D, 0x57, 0x01, 0xF7};
const Bytes kFailedFrameOff = {0xF0, 0x2C, 0x4D, 0x57, 0x04, 0xF7};
const Bytes kFailedFrameOn = {0xF0, 0x2C, 0x4D, 0x57, 0x05, 0xF7};
const Bytes kManualStart = {0xF0, 0x2C, 0x4D, 0x57, 0x06, 0xF7};
const Bytes kManualStop = {0xF0, 0x2C, 0x4D, 0x57, 0x07, 0xF7};
const Bytes kMmcPlay = {0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7};
const Bytes kMmcStop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};
const Bytes kMmcWrite = {0xF0, 0x7F, 0x7F, 0x06, 0x40, 0x03, 0x46, 0x01, 0x0A, 0xF7};
const Bytes kStopTimeEvent = {0xF0, 0x2C, 0x4D, 0x67, 0x08, 0xF7};
const Bytes kComparisonTimeEvent = {0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7};

Bytes mmcLocate(std::uint8_t hr, std::uint8_t mn, std::uint8_t sc, std::uint8_t fr) {
    return {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, hr, mn, sc, fr, 0x00, 0xF7};
}

Bytes playerTime(std::uint8_t which, std::uint8_t hh, std::uint8_t mm, std::uint8_t ss,
                 std::uint8_t ff) {
    return {0xF0, 0x2C, 0x4D, 0x57, which, hh, mm, ss, ff, 0x00, 0xF7};
}

// ---- Answers to the program's commands ----

TEST(SimulatedInterfaceAnswers, StatusSenseIsAnsweredWithTheTwoVersionDigits) {
    Link link;
    link.tell(kStatusSense);
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}}));

    Link other("99");
    other.tell(kStatusSense);
    EXPECT_EQ(other.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x21, 0x39, 0x39, 0xF7}}));
}

TEST(SimulatedInterfaceAnswers, LoggingStateEventReportsLoggingOnInBitZero) {
    Link link;
    link.tell(kReadLoggingState);
    link.tell(kLoggingOn);
    link.tell(kReadLoggingState);
    link.tell(kLoggingOff);
    link.tell(kReadLoggingState);
    // Logging on with the timecode halted starts no log, so only the three answers go out.
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7},
                                               {0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x01, 0xF7},
                                               {0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7}}));
}

TEST(SimulatedInterfaceAnswers, EveryMessageGoesOutAsItsOwnPacketList) {
    Link link;
    link.tell(kReadLoggingState);
    link.tell(kStatusSense);
    EXPECT_EQ(link.packetListsSent, 2);
    EXPECT_EQ(link.take().size(), 2u);
}

TEST(SimulatedInterfaceAnswers, CommandSplitAcrossPacketsIsAssembledOnce) {
    Link link;
    platform::MidiPacketList list;
    list.add(0, Bytes{0xF0, 0x2C});
    list.add(0, Bytes{0x4D, 0x10, 0xF7});
    link.sim.receive(list.bytes());
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}}));

    link.sim.receive(platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x57}));
    EXPECT_TRUE(link.take().empty());
    link.sim.receive(platform::makeMidiPacketList(Bytes{0x7F, 0xF7}));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7}}));
    EXPECT_EQ(link.sim.receivedMessages(), (std::vector<Bytes>{kStatusSense, kReadLoggingState}));
}

TEST(SimulatedInterfaceAnswers, TwoCommandsInOnePacketAreAnsweredInOrder) {
    Link link;
    Bytes both = kReadLoggingState;
    both.insert(both.end(), kStatusSense.begin(), kStatusSense.end());
    link.sim.receive(platform::makeMidiPacketList(both));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7},
                                               {0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}}));
}

TEST(SimulatedInterfaceAnswers, ClockByteInsideACommandDoesNotBreakIt) {
    Link link;
    link.sim.receive(platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0xF8, 0x4D, 0x10, 0xF7}));
    EXPECT_EQ(link.take().size(), 1u);
    EXPECT_EQ(link.sim.receivedMessages(), (std::vector<Bytes>{kStatusSense}));
}

TEST(SimulatedInterfaceAnswers, ReceivedMessagesKeepEveryCompleteMessageByteExact) {
    Link link;
    const Bytes unknownEvent = {0xF0, 0x2C, 0x4D, 0x57, 0x03, 0xF7};
    const Bytes otherMaker = {0xF0, 0x43, 0x10, 0x4C, 0xF7};
    link.tell(unknownEvent);
    link.tell(otherMaker);
    link.tell(kMmcWrite);
    // Cut short by a new F0: never complete, so never kept.
    link.sim.receive(platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D}));
    link.tell(kStatusSense);
    EXPECT_EQ(link.sim.receivedMessages(),
              (std::vector<Bytes>{unknownEvent, otherMaker, kMmcWrite, kStatusSense}));
}

TEST(SimulatedInterfaceAnswers, CommandsOfTheWrongLengthOrUnknownAreIgnored) {
    Link link;
    link.tell({0xF0, 0x2C, 0x4D, 0x10, 0x00, 0xF7});
    link.tell({0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0x00, 0xF7});
    link.tell({0xF0, 0x2C, 0x4D, 0x57, 0x03, 0xF7});
    link.tell({0xF0, 0x2C, 0x4E, 0x10, 0xF7});
    link.tell({0xF0, 0x2C, 0x4D, 0x57, 0x01, 0x00, 0xF7});
    EXPECT_TRUE(link.take().empty());
    EXPECT_FALSE(link.sim.loggingOn());
}

TEST(SimulatedInterfaceAnswers, FailedFrameLoggingAndMmcWriteChangeNothingOnTheWire) {
    Link link;
    link.sim.locate({1, 0, 0, 0});
    link.take();
    link.tell(kFailedFrameOn);
    EXPECT_TRUE(link.sim.failedFrameLogging());
    link.tell(kMmcWrite);
    link.tell(kFailedFrameOff);
    EXPECT_FALSE(link.sim.failedFrameLogging());
    EXPECT_TRUE(link.take().empty());
    EXPECT_FALSE(link.sim.playing());
    EXPECT_EQ(link.sim.timecode(), (Timecode{1, 0, 0, 0}));
}

// ---- Logs ----

TEST(SimulatedInterfaceLogging, AutomaticLogsStartAndStopOnScheduleWithPlainValues) {
    Link link;
    link.sim.setAutoLogTiming(10, 4);
    link.tell(mmcLocate(0x21, 0, 0, 0));
    link.tell(kLoggingOn);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(14);
    EXPECT_EQ(
        withoutQuarterFrames(link.take()),
        (std::vector<Bytes>{{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0x00, 0x00, 0x00, 0xF7},
                            {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0x00, 0x00, 0x00, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x01, 0x00, 0x00, 0x04, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x0A, 0x01, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x01, 0x00, 0x00, 0x0E, 0xF7}}));
    EXPECT_EQ(link.sim.logsStarted(), 2);
}

TEST(SimulatedInterfaceLogging, DefaultScheduleIsALogEveryFourSecondsLastingTwo) {
    Link link;
    link.tell(kLoggingOn);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(8 * 25);
    std::vector<Bytes> logs;
    for (const Bytes& m : withoutQuarterFrames(link.take()))
        if (m[1] == 0x2C)
            logs.push_back(m);
    EXPECT_EQ(logs, (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0, 0, 0, 0, 0x01, 0xF7},
                                        {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 2, 0, 0xF7},
                                        {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0, 0, 4, 0, 0x01, 0xF7},
                                        {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 6, 0, 0xF7},
                                        {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0, 0, 8, 0, 0x01, 0xF7}}));
}

TEST(SimulatedInterfaceLogging, LogEventsCarryTheRateCodeOfEachRate) {
    struct Case {
        FrameRate rate;
        std::uint8_t rateCode;
    };
    for (const Case c : {Case{FrameRate::fps24, 0}, Case{FrameRate::fps25, 1},
                         Case{FrameRate::fps2997DropFrame, 2}, Case{FrameRate::fps30, 3}}) {
        Link link;
        link.sim.setFrameRate(c.rate);
        link.sim.locate({2, 3, 4, 5});
        link.take();
        link.tell(kManualStart);
        EXPECT_EQ(
            link.take(),
            (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x01, 2, 3, 4, 5, c.rateCode, 0xF7}}))
            << "rate code " << int(c.rateCode);
    }
}

TEST(SimulatedInterfaceLogging, DropFrameLogCountsAcrossTheSkippedLabels) {
    Link link;
    link.sim.setFrameRate(FrameRate::fps2997DropFrame);
    link.sim.setAutoLogTiming(100, 4);
    link.sim.locate({0, 0, 59, 28});
    link.tell(kLoggingOn);
    link.take();
    link.sim.play();
    link.sim.advanceFrames(4);
    // 59 s and 28 frames go out as 3B and 1C: plain numbers, not two decimal nibbles.
    EXPECT_EQ(
        withoutQuarterFrames(link.take()),
        (std::vector<Bytes>{{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x40, 0x00, 0x3B, 0x1C, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x00, 0x00, 0x3B, 0x1C, 0x02, 0xF7},
                            {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x00, 0x01, 0x00, 0x04, 0xF7}}));
}

TEST(SimulatedInterfaceLogging, NoAutomaticLogsWhileTheTimecodeIsHalted) {
    Link link;
    link.sim.setAutoLogTiming(10, 4);
    link.tell(kLoggingOn);
    link.sim.advanceFrames(50);
    EXPECT_TRUE(link.take().empty());
    EXPECT_EQ(link.sim.logsStarted(), 0);
}

TEST(SimulatedInterfaceLogging, HaltingEndsTheAutomaticLogLoggingOffLetsItRunItsLength) {
    Link link;
    link.sim.setAutoLogTiming(10, 8);
    link.tell(kLoggingOn);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(3);
    link.take();
    link.tell(kMmcStop);
    EXPECT_EQ(link.take(),
              (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 0, 3, 0xF7},
                                  {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x20, 0, 0, 3, 0xF7}}));
    EXPECT_FALSE(link.sim.logOpen());

    // The schedule counts running frames only: the next log is due seven frames on.
    link.tell(kMmcPlay);
    link.sim.advanceFrames(6);
    EXPECT_FALSE(link.sim.logOpen());
    link.sim.advanceFrames(1);
    EXPECT_TRUE(link.sim.logOpen());
    link.take();
    // Turning to manual logging switches the interface's logging off mid-take: the take keeps
    // its full length and no new one starts.
    link.tell(kLoggingOff);
    EXPECT_TRUE(link.take().empty());
    link.sim.advanceFrames(30);
    EXPECT_EQ(withoutQuarterFrames(link.take()),
              (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 0, 18, 0xF7}}));
}

TEST(SimulatedInterfaceLogging, ALocateEndsTheAutomaticLogWhereTheMachineWas) {
    Link link;
    link.sim.setAutoLogTiming(10, 8);
    link.tell(kLoggingOn);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(3);
    link.take();
    link.tell(mmcLocate(0x20, 0, 0, 1));
    EXPECT_EQ(link.take(),
              (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 0, 3, 0xF7},
                                  {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x20, 0, 0, 1, 0xF7}}));
}

TEST(SimulatedInterfaceLogging, ManualStartStopsTheOpenAutomaticLogFirst) {
    Link link;
    link.sim.setAutoLogTiming(10, 8);
    link.tell(kLoggingOn);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(2);
    link.tell(kLoggingOff);
    link.take();
    link.tell(kManualStart);
    link.sim.advanceFrames(20);
    EXPECT_EQ(withoutQuarterFrames(link.take()),
              (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 0, 2, 0xF7},
                                  {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0, 0, 0, 2, 0x01, 0xF7}}));
    EXPECT_TRUE(link.sim.logOpen()) << "the manual log waits for its manual stop";
}

TEST(SimulatedInterfaceLogging, ManualStartAndStopLogTheCurrentTimecodeWhateverTheMode) {
    Link link;
    link.sim.locate({5, 6, 7, 8});
    link.take();
    link.tell(kManualStop);  // nothing open: nothing to stop
    link.tell(kManualStart);
    link.tell(kManualStop);
    link.tell(kLoggingOn);  // halted: the mode alone starts nothing
    link.tell(kManualStart);
    link.tell(kMmcPlay);
    link.sim.advanceFrames(2);
    link.tell(kManualStop);
    EXPECT_EQ(withoutQuarterFrames(link.take()),
              (std::vector<Bytes>{{0xF0, 0x2C, 0x4D, 0x67, 0x01, 5, 6, 7, 8, 0x01, 0xF7},
                                  {0xF0, 0x2C, 0x4D, 0x67, 0x02, 5, 6, 7, 8, 0xF7},
                                  {0xF0, 0x2C, 0x4D, 0x67, 0x01, 5, 6, 7, 8, 0x01, 0xF7},
                                  {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x25, 6, 7, 8, 0xF7},
                                  {0xF0, 0x2C, 0x4D, 0x67, 0x02, 5, 6, 7, 10, 0xF7}}));
    EXPECT_EQ(link.sim.logsStarted(), 2);
}

// ---- Stop and comparison times ----

TEST(SimulatedInterfacePlayerTimes, StopTimeEventGoesOutOnceAtTheFrameItNames) {
    Link link;
    link.tell(mmcLocate(0x2A, 0, 0, 0));
    link.tell(kMmcPlay);
    link.tell(playerTime(0x08, 10, 0, 0, 3));
    link.take();
    link.sim.advanceFrames(10);
    const std::vector<Bytes> sent = link.take();
    // Three frames of four quarter frames go out at 10:00:00:00 to :02, then the event, and
    // the machine halts on the stop time.
    ASSERT_EQ(sent.size(), 14u);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_TRUE(isQuarterFrame(sent[i])) << "message " << i;
    EXPECT_EQ(sent[12], kStopTimeEvent);
    EXPECT_EQ(sent[13], (Bytes{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x2A, 0, 0, 3, 0xF7}));
    EXPECT_FALSE(link.sim.stopTime().has_value());
    EXPECT_FALSE(link.sim.playing());
    EXPECT_EQ(link.sim.timecode(), (Timecode{10, 0, 0, 3}));
}

TEST(SimulatedInterfacePlayerTimes, MmcStopVoidsTheTimesOfThePlayback) {
    Link link;
    link.tell(kMmcPlay);
    link.tell(playerTime(0x08, 0, 0, 0, 5));
    link.tell(playerTime(0x09, 0, 0, 0, 6));
    link.sim.advanceFrames(2);
    link.tell(kMmcStop);
    link.tell(kMmcPlay);
    link.take();
    link.sim.advanceFrames(10);
    EXPECT_EQ(withoutQuarterFrames(link.take()), std::vector<Bytes>{});
    EXPECT_TRUE(link.sim.playing());
}

TEST(SimulatedInterfacePlayerTimes, ComparisonTimeEventGoesOutOnceWhenReached) {
    Link link;
    link.sim.setFrameRate(FrameRate::fps30);
    link.sim.locate({1, 59, 59, 28});
    link.sim.play();
    link.tell(playerTime(0x09, 2, 0, 0, 1));
    link.take();
    link.sim.advanceFrames(2);
    EXPECT_TRUE(withoutQuarterFrames(link.take()).empty());
    link.sim.advanceFrames(1);
    EXPECT_EQ(withoutQuarterFrames(link.take()), (std::vector<Bytes>{kComparisonTimeEvent}));
    link.sim.advanceFrames(60);
    EXPECT_TRUE(withoutQuarterFrames(link.take()).empty());
}

TEST(SimulatedInterfacePlayerTimes, DropFrameTimeOnASkippedLabelFiresOnTheFirstRealFrame) {
    Link link;
    link.sim.setFrameRate(FrameRate::fps2997DropFrame);
    link.sim.locate({0, 0, 59, 29});
    link.sim.play();
    link.tell(playerTime(0x08, 0, 1, 0, 0));
    link.take();
    link.sim.advanceFrames(1);
    EXPECT_EQ(
        withoutQuarterFrames(link.take()),
        (std::vector<Bytes>{kStopTimeEvent, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x40, 1, 0, 2, 0xF7}}));
    EXPECT_EQ(link.sim.timecode(), (Timecode{0, 1, 0, 2}));
}

TEST(SimulatedInterfacePlayerTimes, TimesAreReachedOnlyByRunningForwardOntoThem) {
    Link link;
    link.tell(mmcLocate(0x21, 0, 0, 0));
    link.tell(playerTime(0x08, 1, 0, 0, 5));
    link.tell(playerTime(0x09, 0, 59, 59, 0));  // already behind the timecode
    // A locate past the stop time is a jump, not a run across it.
    link.tell(mmcLocate(0x21, 0, 0, 10));
    link.take();
    link.tell(kMmcPlay);
    link.sim.advanceFrames(100);
    EXPECT_EQ(withoutQuarterFrames(link.take()),
              (std::vector<Bytes>{{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0x00, 0x00, 0x0A, 0xF7}}));

    link.tell(mmcLocate(0x21, 0, 0, 0));
    link.take();
    link.sim.advanceFrames(5);
    EXPECT_EQ(
        withoutQuarterFrames(link.take()),
        (std::vector<Bytes>{kStopTimeEvent, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0, 0, 5, 0xF7}}));
}

TEST(SimulatedInterfacePlayerTimes, TimeSentInAnswerToAnEventIsArmedForTheNextRecord) {
    // The program answers each comparison-time event with the next record's time, from inside
    // its MIDI receive path; the interface has to take it up, not lose it mid-frame.
    Link link;
    std::vector<Bytes> nextTimes = {playerTime(0x09, 0, 0, 0, 6), playerTime(0x08, 0, 0, 0, 9)};
    link.onMessage = [&](const Bytes& m) {
        if (m == kComparisonTimeEvent && !nextTimes.empty()) {
            link.tell(nextTimes.front());
            nextTimes.erase(nextTimes.begin());
        }
    };
    link.tell(kMmcPlay);
    link.tell(playerTime(0x09, 0, 0, 0, 2));
    link.take();
    link.sim.advanceFrames(20);
    std::vector<Bytes> events;
    std::vector<int> framesAt;
    int quarterFrames = 0;
    for (const Bytes& m : link.take()) {
        if (isQuarterFrame(m)) {
            ++quarterFrames;
        } else {
            events.push_back(m);
            framesAt.push_back(quarterFrames / 4);
        }
    }
    EXPECT_EQ(events, (std::vector<Bytes>{kComparisonTimeEvent,
                                          kComparisonTimeEvent,
                                          kStopTimeEvent,
                                          {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x20, 0, 0, 9, 0xF7}}));
    EXPECT_EQ(framesAt, (std::vector<int>{2, 6, 9, 9}));
}

}  // namespace
}  // namespace vexasim_test
