// The command line of glimmark-vexa-sim.

#include <gtest/gtest.h>

#include "SimOptions.h"

namespace {

using vexasim::FrameRate;
using vexasim::parseSimOptions;

TEST(SimOptions, DefaultsRunTheTimecodeAt25FpsUnderTheInterfacesName) {
    const auto o = parseSimOptions({}, nullptr);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->clientName, "vexa ");
    EXPECT_EQ(o->rate, FrameRate::fps25);
    EXPECT_TRUE(o->play);
    EXPECT_FALSE(o->print);
    EXPECT_FALSE(o->loggingOn);
}

TEST(SimOptions, ReadsEachOption) {
    const auto o = parseSimOptions(
        {"--fps", "29.97", "--start", "01:10:00;00", "--no-play", "--print", "--logging",
         "--log-every", "50", "--log-length", "20", "--firmware", "30", "--name", "vexa2"},
        nullptr);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->rate, FrameRate::fps2997DropFrame);
    EXPECT_EQ(o->startAt, (vexasim::Timecode{1, 10, 0, 0}));
    EXPECT_FALSE(o->play);
    EXPECT_TRUE(o->print);
    EXPECT_TRUE(o->loggingOn);
    EXPECT_EQ(o->autoLogEveryFrames, 50);
    EXPECT_EQ(o->autoLogLengthFrames, 20);
    EXPECT_EQ(o->version, "30");
    EXPECT_EQ(o->clientName, "vexa2");
    EXPECT_EQ(parseSimOptions({"--fps", "24"}, nullptr)->rate, FrameRate::fps24);
    EXPECT_EQ(parseSimOptions({"--fps", "30"}, nullptr)->rate, FrameRate::fps30);
}

TEST(SimOptions, RefusesWhatTheInterfaceCannotDoWithAReason) {
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--fps"},
                                               {"--fps", "23.976"},
                                               {"--start", "10:00:00"},
                                               {"--start", "24:00:00:00"},
                                               {"--fps", "24", "--start", "10:00:00:24"},
                                               {"--fps", "29.97", "--start", "10:01:00:00"},
                                               {"--log-every", "0"},
                                               {"--log-length", "x"},
                                               {"--name", "a:b"},
                                               {"--firmware", "3"},
                                               {"--verbose"}}) {
        std::string error;
        EXPECT_FALSE(parseSimOptions(wrong, &error)) << wrong.front();
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptions, PrintsMessagesAsUpperCaseHexPairs) {
    EXPECT_EQ(vexasim::hexLine({0xF0, 0x2C, 0x4D, 0x10, 0xF7}), "F0 2C 4D 10 F7");
    EXPECT_EQ(vexasim::hexLine({0x0a}), "0A");
    EXPECT_EQ(vexasim::hexLine({}), "");
}

}  // namespace
