// Typing start and stop timecodes into the editor.

#include <gtest/gtest.h>

#include "editor/TimecodeEntry.h"

namespace {

TEST(TimecodeEntry, AnyTypedTextBecomesAnElevenCharacterTimecode) {
    struct Case {
        std::string typed, normalised;
    };
    const Case cases[] = {
        {"1:2:3:4", "01:02:03:04"},
        {"12345678", "12:34:56:29"},  // frames 78 clamped
        {"1234", "12:34:00:00"},
        {"123", "12:03:00:00"},
        {"99", "23:00:00:00"},
        {"10:70", "10:59:00:00"},
        {"1.5", "01:05:00:00"},
        {":::5", "05:00:00:00"},
        {"1::2", "01:02:00:00"},
        {"12:34:56:78:90", "12:34:56:29"},  // digits after the frames are dropped
        {"01;00;00;00", "01:00:00:00"},
        {"abc", "00:00:00:00"},
        {"", "00:00:00:00"},
        {"24:60:60:30", "23:59:59:29"},
        {"10:00:00:28", "10:00:00:28"},  // frames up to 29 whatever the rate
        // Garbage: other scripts' digits, control bytes, a NUL, broken UTF-8, sheer length.
        {"١٢:٣٤", "00:00:00:00"},
        {"1\u00e92", "01:02:00:00"},
        {std::string("1\0002", 3), "01:02:00:00"},
        {std::string(100000, '9'), "23:59:59:29"},
        {" 7 ", "07:00:00:00"},
    };
    for (const Case& c : cases) {
        const std::string out = timecode_entry::normalise(c.typed);
        EXPECT_EQ(out, c.normalised) << "typed \"" << c.typed.substr(0, 20) << "\"";
        ASSERT_EQ(out.size(), 11u);
    }
}

}  // namespace
