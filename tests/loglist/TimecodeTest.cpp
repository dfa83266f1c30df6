// Frames counted and labels spelled at each rate.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"

namespace {

// Labels round-trip through a day at every rate; drop-frame skips two labels a minute but every
// tenth, a label the device cannot send is the frame after it, and a non-timecode counts none.
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
    // Numbers read as typed: blanks before the sign are passed over, the first non-digit ends.
    EXPECT_EQ(timecode::intValueAt("x \t\n-42:", 1), -42);
}

}  // namespace
