#include <gtest/gtest.h>

#include "tests/tools/VexasimLink.h"
#include "vexasim/SimulatedInterface.h"

namespace vexasim_test {
namespace {

using vexasim::FrameRate;
using vexasim::Timecode;

const Bytes kMmcPlay = {0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7};
const Bytes kMmcStop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};

Bytes mmcLocate(std::uint8_t hr, std::uint8_t mn, std::uint8_t sc, std::uint8_t fr) {
    return {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, hr, mn, sc, fr, 0x00, 0xF7};
}

Bytes fullFrame(std::uint8_t hr, std::uint8_t mn, std::uint8_t sc, std::uint8_t fr) {
    return {0xF0, 0x7F, 0x7F, 0x01, 0x01, hr, mn, sc, fr, 0xF7};
}

// ---- Quarter frames ----

TEST(SimulatedInterfaceQuarterFrames, GroupsSpellTheFrameTheyBeganAtEveryRate) {
    struct Case {
        FrameRate rate;
        Timecode start;
        Bytes fullFrame;
        std::vector<SpelledTimecode> groups;
        Timecode afterSixFrames;
    };
    // Each group starts on the last frame of a minute, so the second half of its pieces goes
    // out in the next minute and must still spell the first. Hours of 17 need the high hours
    // bit that piece 7 carries next to the rate code.
    const Case cases[] = {
        {FrameRate::fps24,
         {17, 59, 59, 23},
         fullFrame(0x11, 59, 59, 23),
         {{17, 59, 59, 23, 0}, {18, 0, 0, 1, 0}, {18, 0, 0, 3, 0}},
         {18, 0, 0, 5}},
        {FrameRate::fps25,
         {17, 59, 59, 24},
         fullFrame(0x31, 59, 59, 24),
         {{17, 59, 59, 24, 1}, {18, 0, 0, 1, 1}, {18, 0, 0, 3, 1}},
         {18, 0, 0, 5}},
        {FrameRate::fps2997DropFrame,
         {17, 58, 59, 29},
         fullFrame(0x51, 58, 59, 29),
         {{17, 58, 59, 29, 2}, {17, 59, 0, 3, 2}, {17, 59, 0, 5, 2}},
         {17, 59, 0, 7}},
        {FrameRate::fps30,
         {17, 59, 59, 29},
         fullFrame(0x71, 59, 59, 29),
         {{17, 59, 59, 29, 3}, {18, 0, 0, 1, 3}, {18, 0, 0, 3, 3}},
         {18, 0, 0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fullFrame[5]);
        Link link;
        link.sim.setFrameRate(c.rate);
        link.sim.locate(c.start);
        link.take();
        link.tell(kMmcPlay);
        link.sim.advanceFrames(6);
        const std::vector<Bytes> sent = link.take();
        ASSERT_EQ(sent.size(), 1u + 24u);
        EXPECT_EQ(sent[0], c.fullFrame);
        bool inOrder = false;
        EXPECT_EQ(spelledGroups(sent, &inOrder), c.groups);
        EXPECT_TRUE(inOrder);
        EXPECT_EQ(link.sim.timecode(), c.afterSixFrames);
    }
}

TEST(SimulatedInterfaceQuarterFrames, PieceBytesCarryNibblesHighBitsAndRateCode) {
    Link link;
    link.sim.locate({1, 2, 3, 4});
    link.sim.play();
    link.take();
    link.sim.advanceFrames(2);
    EXPECT_EQ(link.take(), (std::vector<Bytes>{{0xF1, 0x04},
                                               {0xF1, 0x10},
                                               {0xF1, 0x23},
                                               {0xF1, 0x30},
                                               {0xF1, 0x42},
                                               {0xF1, 0x50},
                                               {0xF1, 0x61},
                                               {0xF1, 0x72}}));

    Link high;
    high.sim.setFrameRate(FrameRate::fps30);
    high.sim.locate({23, 45, 50, 29});
    high.sim.play();
    high.take();
    high.sim.advanceFrames(2);
    EXPECT_EQ(high.take(), (std::vector<Bytes>{{0xF1, 0x0D},
                                               {0xF1, 0x11},
                                               {0xF1, 0x22},
                                               {0xF1, 0x33},
                                               {0xF1, 0x4D},
                                               {0xF1, 0x52},
                                               {0xF1, 0x67},
                                               {0xF1, 0x77}}));
}

TEST(SimulatedInterfaceQuarterFrames, HaltedTimecodeSendsNothingAndPlayRestartsAtPieceZero) {
    Link link;
    link.sim.advanceFrames(10);
    EXPECT_TRUE(link.take().empty());
    EXPECT_EQ(link.sim.timecode(), (Timecode{0, 0, 0, 0}));

    link.tell(kMmcPlay);
    link.sim.advanceQuarterFrames(7);
    link.tell(kMmcStop);
    link.take();
    link.sim.advanceFrames(10);
    EXPECT_TRUE(link.take().empty());
    EXPECT_EQ(link.sim.timecode(), (Timecode{0, 0, 0, 1}));

    link.tell(kMmcPlay);
    link.sim.advanceFrames(2);
    const std::vector<Bytes> sent = link.take();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[0], fullFrame(0x20, 0, 0, 1));
    EXPECT_EQ(spelledGroups(sent), (std::vector<SpelledTimecode>{{0, 0, 0, 1, 1}}));
}

// ---- Counting frames ----

TEST(SimulatedInterfaceCounting, DropFrameSkipsTwoLabelsAtEachMinuteButTheTenth) {
    struct Case {
        Timecode from, to;
    };
    const Case cases[] = {
        {{0, 0, 59, 29}, {0, 1, 0, 2}},   {{0, 1, 59, 29}, {0, 2, 0, 2}},
        {{0, 9, 59, 29}, {0, 10, 0, 0}},  {{0, 10, 59, 29}, {0, 11, 0, 2}},
        {{0, 49, 59, 29}, {0, 50, 0, 0}}, {{0, 59, 59, 29}, {1, 0, 0, 0}},
        {{0, 10, 0, 1}, {0, 10, 0, 2}},   {{23, 59, 59, 29}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Link link;
        link.sim.setFrameRate(FrameRate::fps2997DropFrame);
        link.sim.locate(c.from);
        link.sim.play();
        link.sim.advanceFrames(1);
        EXPECT_EQ(link.sim.timecode(), c.to)
            << c.from.minutes << ":" << c.from.seconds << ";" << c.from.frames;
    }
}

TEST(SimulatedInterfaceCounting, NonDropRatesCountEveryLabelAndWrapAtMidnight) {
    struct Case {
        FrameRate rate;
        Timecode from, to;
    };
    const Case cases[] = {
        {FrameRate::fps30, {0, 0, 59, 29}, {0, 1, 0, 0}},
        {FrameRate::fps30, {0, 0, 0, 28}, {0, 0, 0, 29}},
        {FrameRate::fps24, {0, 0, 0, 23}, {0, 0, 1, 0}},
        {FrameRate::fps25, {0, 0, 0, 24}, {0, 0, 1, 0}},
        {FrameRate::fps25, {23, 59, 59, 24}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Link link;
        link.sim.setFrameRate(c.rate);
        link.sim.locate(c.from);
        link.sim.play();
        link.sim.advanceFrames(1);
        EXPECT_EQ(link.sim.timecode(), c.to) << c.from.hours << ":" << c.from.frames;
    }
}

TEST(SimulatedInterfaceCounting, AnHourHasTheRightNumberOfFramesAtEachRate) {
    struct Case {
        FrameRate rate;
        int framesPerHour;
        Timecode lastFrameOfHour;
    };
    // 29.97 drop-frame: 30 x 3600 labels less 2 x 54 skipped minutes.
    const Case cases[] = {
        {FrameRate::fps24, 86400, {0, 59, 59, 23}},
        {FrameRate::fps25, 90000, {0, 59, 59, 24}},
        {FrameRate::fps2997DropFrame, 107892, {0, 59, 59, 29}},
        {FrameRate::fps30, 108000, {0, 59, 59, 29}},
    };
    for (const Case& c : cases) {
        long quarterFrames = 0;
        vexasim::SimulatedInterface sim([&](std::span<const std::uint8_t>) { ++quarterFrames; });
        sim.setFrameRate(c.rate);
        sim.play();
        sim.advanceFrames(c.framesPerHour - 1);
        EXPECT_EQ(sim.timecode(), c.lastFrameOfHour) << c.framesPerHour;
        sim.advanceFrames(1);
        EXPECT_EQ(sim.timecode(), (Timecode{1, 0, 0, 0})) << c.framesPerHour;
        EXPECT_EQ(quarterFrames, 1 + 4L * c.framesPerHour);
    }
}

// ---- Locate ----

TEST(SimulatedInterfaceLocate, RateBitsOfTheTargetAreStrippedAndTheFullFrameUsesOwnRate) {
    Link link;
    link.sim.setFrameRate(FrameRate::fps24);
    link.tell(mmcLocate(0x6A, 0x01, 0x02, 0x03));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{fullFrame(0x0A, 1, 2, 3)}));
    EXPECT_EQ(link.sim.timecode(), (Timecode{10, 1, 2, 3}));
    EXPECT_FALSE(link.sim.playing());

    link.sim.setFrameRate(FrameRate::fps30);
    link.tell(mmcLocate(0x37, 0x3B, 0x3B, 0x1D));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{fullFrame(0x77, 59, 59, 29)}));
}

TEST(SimulatedInterfaceLocate, SkippedDropFrameLabelLandsOnFrameTwo) {
    Link link;
    link.sim.setFrameRate(FrameRate::fps2997DropFrame);
    link.tell(mmcLocate(0x40, 1, 0, 0));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{fullFrame(0x40, 1, 0, 2)}));
    link.tell(mmcLocate(0x40, 10, 0, 0));
    EXPECT_EQ(link.take(), (std::vector<Bytes>{fullFrame(0x40, 10, 0, 0)}));
}

TEST(SimulatedInterfaceLocate, TargetsOutsideTheDayOrTheRateAreIgnored) {
    Link link;
    link.tell(mmcLocate(0x21, 2, 3, 4));
    link.take();
    link.tell(mmcLocate(0x38, 0, 0, 0));  // hour 24
    link.tell(mmcLocate(0x21, 60, 0, 0));
    link.tell(mmcLocate(0x21, 0, 60, 0));
    link.tell(mmcLocate(0x21, 0, 0, 25));  // no frame 25 at 25 fps
    link.tell({0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01, 0x21, 5, 5, 5, 0xF7});  // too short
    EXPECT_TRUE(link.take().empty());
    EXPECT_EQ(link.sim.timecode(), (Timecode{1, 2, 3, 4}));
}

TEST(SimulatedInterfaceLocate, LocateWhilePlayingStartsAFreshGroupAtTheTarget) {
    Link link;
    link.tell(mmcLocate(0x21, 0, 0, 0));
    link.tell(kMmcPlay);
    link.sim.advanceQuarterFrames(3);
    link.take();
    link.tell(mmcLocate(0x22, 0, 0, 0));
    link.sim.advanceFrames(2);
    const std::vector<Bytes> sent = link.take();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[0], fullFrame(0x22, 0, 0, 0));
    bool inOrder = false;
    EXPECT_EQ(spelledGroups(sent, &inOrder), (std::vector<SpelledTimecode>{{2, 0, 0, 0, 1}}));
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(link.sim.playing());
    EXPECT_EQ(link.sim.timecode(), (Timecode{2, 0, 0, 2}));
}

}  // namespace
}  // namespace vexasim_test
