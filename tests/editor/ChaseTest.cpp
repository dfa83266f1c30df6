// Chase mode: the record that contains the running timecode comes into the editor.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;

class Chase : public ::testing::Test {
protected:
    Chase() { app.windows.chkEditChaseModeVal.on = true; }

    // The eight quarter frames that spell a timecode, as the interface sends them.
    void runningTimecode(int h, int m, int s, int f) {
        fake::Bytes bytes;
        const int values[8] = {f & 0x0F, f >> 4, s & 0x0F, s >> 4,
                               m & 0x0F, m >> 4, h & 0x0F, h >> 4};
        for (int piece = 0; piece < 8; ++piece) {
            bytes.push_back(0xF1);
            bytes.push_back(static_cast<std::uint8_t>(piece << 4 | values[piece]));
        }
        app.receive(bytes);
    }
    int chosenAt(const char* tc) {
        app.app->FindLogToTimecode(tc);
        return app.app->logEditPos;
    }

    fake::App app;
};

TEST_F(Chase, InsideBeatsOpenAndBeforeEveryStartGivesTheFirstRecord) {
    addRecord(app, {"1", "01:00:00:00", "01:00:10:00", ""});
    addRecord(app, {"2", "01:00:05:00", "", ""});
    app.app->LogActualWrite();

    runningTimecode(1, 0, 10, 0);  // record 1 has ended; record 2 is open
    EXPECT_EQ(app.app->logEditPos, 2);
    EXPECT_EQ(app.windows.txtEditNr.value, "2");
    EXPECT_EQ(app.windows.statusText.value, "  01:00:10:00");

    runningTimecode(1, 0, 7, 0);
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(app.windows.txtEditStart.value, "01:00:00:00");

    EXPECT_EQ(chosenAt("01:00:10:00"), 2);
    EXPECT_EQ(chosenAt("00:59:59:24"), 1);
}

TEST_F(Chase, StartIsInsideStopIsNotAndOverlapsGiveTheNewerRecord) {
    addRecord(app, {"1", "02:00:00:00", "02:00:30:00", ""});
    addRecord(app, {"2", "02:00:10:00", "02:00:20:00", ""});
    addRecord(app, {"3", "02:00:40:00", "02:00:50:00", ""});
    app.app->LogActualWrite();

    EXPECT_EQ(chosenAt("02:00:15:00"), 2);
    EXPECT_EQ(chosenAt("02:00:25:00"), 1);
    EXPECT_EQ(chosenAt("02:00:40:00"), 3);
    // After a stop, inside no record: the editor keeps what it shows, never the header.
    EXPECT_EQ(chosenAt("02:00:50:00"), 3);
    EXPECT_EQ(chosenAt("02:00:35:00"), 3);
}

TEST_F(Chase, SemicolonTimesOrderAfterColonTimes) {
    addRecord(app, {"1", "01;00;00;00", "", ""});
    addRecord(app, {"2", "01:00:00:00", "", ""});
    app.app->LogActualWrite();
    EXPECT_EQ(chosenAt("01:00:05:00"), 2);  // ":" sorts before ";": record 1 has not started
}

TEST_F(Chase, NothingMovesWithChaseOffOrWithoutRecords) {
    runningTimecode(1, 0, 0, 0);
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(app.windows.txtEditNr.writes, 0);

    addRecord(app, {"1", "01:00:00:00", "", ""});
    addRecord(app, {"2", "01:00:05:00", "", ""});
    app.app->LogActualWrite();
    app.windows.chkEditChaseModeVal.on = false;
    runningTimecode(1, 0, 6, 0);
    EXPECT_EQ(app.app->logEditPos, 1);
}

TEST_F(Chase, TheSameRecordAgainDoesNotRefreshTheEditor) {
    addRecord(app, {"1", "01:00:00:00", "", ""});
    app.app->LogActualWrite();
    app.windows.txtEditComment1.value = "being typed";
    runningTimecode(1, 0, 1, 0);
    runningTimecode(1, 0, 2, 0);
    EXPECT_EQ(app.windows.txtEditComment1.value, "being typed");
}

}  // namespace
