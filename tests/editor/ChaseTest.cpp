// Chase mode: the record that contains the running timecode comes into the editor.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;

TEST(Chase, TheRunningTimecodeBringsTheNewestRecordHoldingIt) {
    fake::App app;
    addRecord(app, "1", "02:00:00:00", "02:00:30:00", "");
    addRecord(app, "2", "02:00:10:00", "02:00:20:00", "");
    addRecord(app, "3", "02:00:40:00", "02:00:50:00", "");
    addRecord(app, "4", "02:00:45:00", "", "");
    addRecord(app, "5", "02;00;00;00", "", "");
    app.app->LogActualWrite();
    struct Case {
        int hours, seconds;
        bool chase;
        int shown;  // the record in the editor afterwards
    } const cases[] = {
        {2, 15, false, 1},  // chase off: the editor stays
        {2, 15, true, 2},   // inside both: the newer record
        {2, 25, true, 1},   // record 2 has stopped
        {2, 40, true, 3},   // a start is inside
        {2, 46, true, 3},   // a stopped record it is inside beats a newer open one
        {2, 50, true, 4},   // a stop is not inside
        {2, 35, true, 4},   // inside none: the editor keeps what it shows; ":" sorts before ";"
        {1, 59, true, 1},   // before every start: the first record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        app.windows.chkEditChaseModeVal.on = c.chase;
        // The running timecode as the interface's full-frame message.
        const std::uint8_t minutes = c.hours == 1 ? 59 : 0, seconds = std::uint8_t(c.seconds);
        app.receive(
            {0xF0, 0x7F, 0x7F, 0x01, 0x01, std::uint8_t(c.hours), minutes, seconds, 0, 0xF7});
        EXPECT_EQ(app.app->logEditPos, c.shown);
        EXPECT_EQ(app.windows.txtEditNr.value, std::to_string(c.shown));
    }
    // The same record again does not refresh the editor over what is being typed.
    app.windows.txtEditComment1.value = "being typed";
    app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 1, 59, 58, 0, 0xF7});
    EXPECT_EQ(app.windows.txtEditComment1.value, "being typed");
}

}  // namespace
