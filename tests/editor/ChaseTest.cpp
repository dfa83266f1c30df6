// Chase mode: the record that contains the running timecode comes into the editor.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;

// The eight quarter frames that spell a timecode, as the interface sends them.
fake::Bytes quarterFrames(int h, int m, int s) {
    fake::Bytes bytes;
    const int values[8] = {0, 0, s & 0x0F, s >> 4, m & 0x0F, m >> 4, h & 0x0F, h >> 4};
    for (int piece = 0; piece < 8; ++piece) {
        bytes.push_back(0xF1);
        bytes.push_back(static_cast<std::uint8_t>(piece << 4 | values[piece]));
    }
    return bytes;
}

TEST(Chase, TheRunningTimecodeBringsTheNewestRecordHoldingIt) {
    fake::App app;
    addRecord(app, {"1", "02:00:00:00", "02:00:30:00", ""});
    addRecord(app, {"2", "02:00:10:00", "02:00:20:00", ""});
    addRecord(app, {"3", "02:00:40:00", "02:00:50:00", ""});
    addRecord(app, {"4", "02:00:45:00", "", ""});
    addRecord(app, {"5", "02;00;00;00", "", ""});
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
        app.receive(quarterFrames(c.hours, c.hours == 1 ? 59 : 0, c.seconds));
        EXPECT_EQ(app.app->logEditPos, c.shown);
        EXPECT_EQ(app.windows.txtEditNr.value, std::to_string(c.shown));
        EXPECT_EQ(app.windows.statusText.value, "  0" + std::to_string(c.hours) +
                                                    (c.hours == 1 ? ":59:" : ":00:") +
                                                    std::to_string(c.seconds) + ":00");
    }
    // The same record again does not refresh the editor over what is being typed.
    app.windows.txtEditComment1.value = "being typed";
    app.receive(quarterFrames(1, 59, 58));
    EXPECT_EQ(app.windows.txtEditComment1.value, "being typed");
}

}  // namespace
