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

class TimecodeFields : public ::testing::Test {
protected:
    TimecodeFields() {
        addRecord(app, {"1", "01:00:00:00", "01:00:10:00", ""});
        addRecord(app, {"2", "01;00;20;00", "", ""});
        app.app->LogActualWrite();
    }
    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(TimecodeFields, ATypedStartIsStoredCleanAndTheDurationFollows) {
    w.txtEditStart.value = "1:0:5";
    app.app->txtEditStartChg();
    EXPECT_EQ(app.field(1, kFieldStart), "01:00:05:00");
    EXPECT_EQ(w.txtEditStart.value, "01:00:05:00");
    EXPECT_EQ(w.txtEditDuration.value, "00:00:05");
    EXPECT_EQ(app.app->editChangeFlag, 1);

    // The same again: the field is rewritten, the record and the flag stay.
    app.app->editChangeFlag = 0;
    w.txtEditStart.value = "01 00 05";
    app.app->txtEditStartChg();
    EXPECT_EQ(w.txtEditStart.value, "01:00:05:00");
    EXPECT_EQ(app.app->editChangeFlag, 0);

    w.txtEditStart.value = "";
    app.app->txtEditStartChg();
    EXPECT_EQ(app.field(1, kFieldStart), "00:00:00:00") << "the start is never empty";
}

TEST_F(TimecodeFields, AnEmptiedStopOpensTheRecordAndATypedOneCloses) {
    w.txtEditStop.value = "";
    app.app->txtEditStopChg();
    EXPECT_EQ(app.field(1, kFieldStop), "");
    EXPECT_EQ(w.txtEditDuration.value, "");
    EXPECT_EQ(app.app->editChangeFlag, 1);

    app.app->btnLogNaechstes();
    app.app->editChangeFlag = 0;
    app.app->txtEditStopChg();  // no stop, none typed
    EXPECT_EQ(app.app->editChangeFlag, 0);
    app.app->txtEditStartChg();  // unchanged, but stored with semicolons
    EXPECT_EQ(app.field(2, kFieldStart), "01:00:20:00");
    EXPECT_EQ(app.app->editChangeFlag, 1);
    w.txtEditStop.value = "1:0:19";  // before the start: taken as typed
    app.app->txtEditStopChg();
    EXPECT_EQ(app.field(2, kFieldStop), "01:00:19:00");
}

TEST_F(TimecodeFields, CommentsTypedBeforeATimeAreKept) {
    w.txtEditComment1.value = "pan left";
    w.txtEditStart.value = "2";
    app.app->txtEditStartChg();
    EXPECT_EQ(app.field(1, kFieldComment1), "pan left");
    EXPECT_EQ(w.txtEditComment1.value, "pan left");
}

TEST_F(TimecodeFields, NothingChangesInFullScreenOrBeforeTheFirstLog) {
    w.txtEditStart.value = "5";
    app.app->fullScreenMode = 1;
    app.app->txtEditStartChg();
    app.app->fullScreenMode = 0;
    app.app->logNr = 0;
    app.app->txtEditStartChg();
    EXPECT_EQ(w.txtEditStart.value, "5");
    EXPECT_EQ(app.field(1, kFieldStart), "01:00:00:00");
    EXPECT_EQ(app.app->editChangeFlag, 0);
}

}  // namespace
