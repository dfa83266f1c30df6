// The number-reading rule, the bytes of a timecode and durations.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"

namespace {

TEST(Timecode, NumbersAreReadTheOldWay) {
    using B = std::array<std::uint8_t, 4>;
    EXPECT_EQ(timecode::toBytes("01;02;03;04"), (B{1, 2, 3, 4})) << "separators are not read";
    EXPECT_EQ(timecode::toBytes("300:00:00:00"), (B{44, 0, 0, 0})) << "low eight bits";
    EXPECT_EQ(timecode::toBytes("10:0"), (B{10, 0, 0, 0})) << "past the end reads as 0";
    const std::pair<const char*, int> cases[] = {
        {"  42abc", 42}, {"-7", -7}, {"+7", 7}, {"abc", 0}, {"", 0}, {"- 5", 0},
        {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(timecode::intValue(text), value) << text;
}

TEST(Timecode, DurationCalculate) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"01:00:00:04", "01:00:10:12", "00:00:10"},
        {"00:00:00:10", "00:00:01:05", "00:00:00"},  // the frames borrow a second
        {"05:06:07:08", "05:06:07:08", "00:00:00"},
        {"23:59:50:00", "00:00:10:00", "00:00:20"},  // across midnight
        {"01:00:00:00", "00:59:59:00", "23:59:59"},
        {"00:10:00:00", "02:05:30:00", "01:55:30"},
        {"01;02;03;04", "01:02:13:04", ""},
        {"01:02:03:04", "01;02;13;04", ""},
        {"01:00:00:0", "01:00:10:00", ""},
        {"ab:cd:ef:gh", "00:00:10:00", "00:00:10"},  // only the shape is checked
    };
    for (const auto& [start, stop, duration] : cases)
        EXPECT_EQ(timecode::durationCalculate(start, stop), duration) << start << " -> " << stop;
}

}  // namespace
