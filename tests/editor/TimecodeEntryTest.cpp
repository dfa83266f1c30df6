// Typing start and stop timecodes into the editor.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"
#include "editor/TimecodeEntry.h"

namespace {

using editor_test::addRecord;

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
        {"23:59:59:29", "23:59:59:29"},
        {"24:60:60:30", "23:59:59:29"},
        {"10:00:00:28", "10:00:00:28"},  // frames up to 29 whatever the rate
        // Garbage: other scripts' digits, control bytes, a NUL, broken UTF-8, sheer length.
        {"١٢:٣٤", "00:00:00:00"},
        {"1\xC3\xA9"
         "2",
         "01:02:00:00"},
        {std::string("1\0"
                     "2",
                     3),
         "01:02:00:00"},
        {"\xFF\xFE\x80", "00:00:00:00"},
        {"-1:-2", "01:02:00:00"},
        {std::string(100000, '9'), "23:59:59:29"},
        {" 7 ", "07:00:00:00"},
    };
    for (const Case& c : cases) {
        const std::string out = timecode_entry::normalise(c.typed);
        EXPECT_EQ(out, c.normalised) << "typed \"" << c.typed.substr(0, 20) << "\"";
        ASSERT_EQ(out.size(), 11u);
    }
}

// Typed into record 1 (01:00:00:00 to 01:00:10:00) or record 2 (01;00;20;00, open), then what
// the editor shows and what the record keeps.
TEST(TimecodeFields, ATypedTimeIsStoredCleanAndTheDurationFollows) {
    struct Case {
        const char* name;
        int record;
        bool stop;
        std::string typed;
        std::string view;  // editor_test::editorView afterwards
        std::string stored;
    } const cases[] = {
        {"start", 1, false, "1:0:5", "@1 #1 01:00:05:00-01:00:10:00 00:00:05 '' [||] *",
         "01:00:05:00"},
        {"the same start: no change", 1, false, "01 00 00",
         "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [||]", "01:00:00:00"},
        {"an emptied start is midnight", 1, false, "",
         "@1 #1 00:00:00:00-01:00:10:00 01:00:10 '' [||] *", "00:00:00:00"},
        {"an emptied stop opens the record", 1, true, "", "@1 #1 01:00:00:00-  '' [||] *", ""},
        {"no stop, none typed", 2, true, "", "@2 #2 01;00;20;00-  '' [||]", ""},
        {"kept with semicolons, stored with colons", 2, false, "01;00;20;00",
         "@2 #2 01:00:20:00-  '' [||] *", "01:00:20:00"},
        {"a stop before the start ends the next day", 1, true, "0:59",
         "@1 #1 01:00:00:00-00:59:00:00 23:59:00 '' [||] *", "00:59:00:00"},
        {"the comment typed before is kept", 1, false, "2",
         "@1 #1 02:00:00:00-01:00:10:00 23:00:10 'pan' [||] *", "02:00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::App app;
        addRecord(app, {"1", "01:00:00:00", "01:00:10:00", ""});
        addRecord(app, {"2", "01;00;20;00", "", ""});
        app.app->logEditPos = c.record;
        app.app->LogActualWrite();
        if (std::string(c.name).find("comment") != std::string::npos)
            app.windows.txtEditComment1.value = "pan";
        (c.stop ? app.windows.txtEditStop : app.windows.txtEditStart).value = c.typed;
        c.stop ? app.app->txtEditStopChg() : app.app->txtEditStartChg();
        EXPECT_EQ(editor_test::editorView(app), c.view);
        EXPECT_EQ(app.field(c.record, c.stop ? kFieldStop : kFieldStart), c.stored);
        // Nothing changes in full screen.
        app.app->fullScreenMode = 1;
        (c.stop ? app.windows.txtEditStop : app.windows.txtEditStart).value = "5";
        c.stop ? app.app->txtEditStopChg() : app.app->txtEditStartChg();
        EXPECT_EQ(app.field(c.record, c.stop ? kFieldStop : kFieldStart), c.stored);
    }
}

}  // namespace
