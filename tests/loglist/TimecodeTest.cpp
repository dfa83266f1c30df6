// The number-reading rule, the bytes of a timecode, durations, and frames counted at each rate.

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

// Labels round-trip through a day at every rate. Drop-frame skips two labels a minute but
// every tenth, and a label the device cannot send stands for the frame after it; a text that
// is no timecode at the rate counts no frame.
TEST(Timecode, FramesAndLabelsAtEveryRate) {
    using timecode::FrameRate;
    const FrameRate r24{24}, r25{25}, df{30, true}, r30{30};
    for (const FrameRate rate : {r24, r25, df, r30}) {
        const std::int64_t day = timecode::framesPerDay(rate);
        for (std::int64_t frame = 0; frame < day; frame += 997) {
            const std::string label = timecode::labelOf(frame, rate);
            ASSERT_EQ(timecode::frameOf(label, rate), frame) << label;
            ASSERT_EQ(label.find(rate.dropFrame ? ':' : ';'), std::string::npos) << label;
        }
        EXPECT_EQ(timecode::labelOf(day, rate), rate.dropFrame ? "00;00;00;00" : "00:00:00:00");
        EXPECT_EQ(timecode::labelOf(-1, rate), timecode::labelOf(day - 1, rate));
    }
    EXPECT_EQ(timecode::framesPerDay(r25), 2'160'000);
    EXPECT_EQ(timecode::framesPerDay(df), 2'589'408);
    for (const auto& [frame, label] : std::initializer_list<std::pair<int, const char*>>{
             {1799, "00;00;59;29"}, {1800, "00;01;00;02"}, {17981, "00;09;59;29"},
             {17982, "00;10;00;00"}, {107892, "01;00;00;00"}})
        EXPECT_EQ(timecode::labelOf(frame, df), label);
    for (const auto& [text, rate, frame] :
         std::initializer_list<std::tuple<const char*, FrameRate, std::optional<std::int64_t>>>{
             {"00:01:00:00", df, 1800}, {"00:01:00:01", df, 1800}, {"00:10:00:00", df, 17982},
             {"00:01:00:00", r30, 1800}, {"10:00:00;24", r25, 900'024}, {"10:00:00:25", r25, {}},
             {"10:00:00:24", r24, {}}, {"", r25, {}}, {"24:00:00:00", r25, {}},
             {"10:60:00:00", r25, {}}, {"10:00:60:00", r25, {}}, {"1:00:00:00", r25, {}},
             {"10.00.00.00", r25, {}}, {"10:00:00:0x", r25, {}}, {"10:00:00:000", r25, {}}})
        EXPECT_EQ(timecode::frameOf(text, rate), frame) << text;
}

}  // namespace
