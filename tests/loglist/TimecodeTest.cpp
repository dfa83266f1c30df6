// Timecode text, the number-reading rule and durations.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"

namespace {

TEST(Timecode, FormsOfTheText) {
    EXPECT_EQ(timecode::format(1, 2, 3, 4), "01:02:03:04");
    EXPECT_EQ(timecode::formatDropFrame(1, 2, 3, 4), "01;02;03;04");
    EXPECT_EQ(timecode::formatRunning(23, 59, 59, 29), "23:59:59:29");
    EXPECT_EQ(timecode::formatStatusLine(1, 2, 3, 4), "  01:02:03:04");
    // Out-of-range values are shown as they come.
    EXPECT_EQ(timecode::format(127, 0, 0, 0), "127:00:00:00");
    EXPECT_EQ(timecode::formatRunning(-3, 0, 0, 0), "-03:00:00:00");
}

TEST(Timecode, NumbersAreReadTheOldWay) {
    EXPECT_EQ(timecode::intValue("  42abc"), 42);
    EXPECT_EQ(timecode::intValue("-7"), -7);
    EXPECT_EQ(timecode::intValue("+7"), 7);
    EXPECT_EQ(timecode::intValue("abc"), 0);
    EXPECT_EQ(timecode::intValue(""), 0);
    EXPECT_EQ(timecode::intValue("- 5"), 0);
    EXPECT_EQ(timecode::intValue("99999999999"), 2147483647);
    EXPECT_EQ(timecode::intValue("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(timecode::intValueAt("01:02:03:04", 9), 4);
    EXPECT_EQ(timecode::intValueAt("01:02", 9), 0) << "a position past the end reads as 0";
}

TEST(Timecode, BytesForMessagesIgnoreTheSeparators) {
    using B = std::array<std::uint8_t, 4>;
    EXPECT_EQ(timecode::toBytes("01:02:03:04"), (B{1, 2, 3, 4}));
    EXPECT_EQ(timecode::toBytes("01;02;03;04"), (B{1, 2, 3, 4}));
    EXPECT_EQ(timecode::toBytes("300:00:00:00"), (B{44, 0, 0, 0})) << "low eight bits";
    EXPECT_EQ(timecode::toBytes("10:0"), (B{10, 0, 0, 0}));
}

struct DurationCase {
    const char* start;
    const char* stop;
    const char* duration;
};

TEST(Timecode, DurationCalculate) {
    const DurationCase cases[] = {
        {"01:00:00:00", "01:00:10:05", "00:00:10"},
        {"00:00:00:10", "00:00:01:05", "00:00:00"},  // the frames borrow a second
        {"05:06:07:08", "05:06:07:08", "00:00:00"},
        {"23:59:50:00", "00:00:10:00", "00:00:20"},  // across midnight
        {"01:00:00:00", "00:59:59:00", "23:59:59"},
        {"00:10:00:00", "02:05:30:00", "01:55:30"},
        {"01:00:00:00", "", ""},
        {"", "01:00:00:00", ""},
        {"01;02;03;04", "01:02:13:04", ""},
        {"01:02:03:04", "01;02;13;04", ""},
        {"100:00:00:00", "01:00:00:00", ""},
        {"01:00:00:0", "01:00:10:00", ""},
        {"ab:cd:ef:gh", "00:00:10:00", "00:00:10"},  // only the shape is checked
    };
    for (const DurationCase& c : cases)
        EXPECT_EQ(timecode::durationCalculate(c.start, c.stop), c.duration)
            << c.start << " -> " << c.stop;
}

}  // namespace
