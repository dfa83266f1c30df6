// Stepping, jumping to a number, typing times, renumbering, and the chase and follow modes.

#include <gtest/gtest.h>

#include <map>

#include "editor/LogFixture.h"
#include "editor/TimecodeEntry.h"

namespace {

using namespace editor_test;

// 'N' next, 'B' back, 'J' jump to the number typed, 'K' comment 1 typed, 'S'/'T' a start/stop
// time typed and committed, 'F' full screen on or off, 'Y' a playback started or ended, 'G' a
// click on record 3 in the log table; then what is typed and what the editor shows afterwards.
using Step = std::tuple<char, std::string, std::string>;

class Navigation : public ::testing::Test {
protected:
    void threeRecords() {
        addRecord(app, "1", "01:00:00:00", "01:00:10:00", "JPEG-one");
        addRecord(app, "05", "01:00:20:00", "01:00:25:00", "");
        addRecord(app, "1", "01;00;30;00", "", "JPEG-three");
        app.app->LogActualWrite();
    }
    void run(const std::vector<Step>& steps) {
        const std::map<char, fake::TextField*> fields{{'J', &w.txtEditNr},
                                                      {'S', &w.txtEditStart},
                                                      {'T', &w.txtEditStop},
                                                      {'K', &w.txtEditComment1}};
        for (const auto& [act, typed, view] : steps) {
            SCOPED_TRACE(std::string(1, act) + typed + " -> " + view);
            if (fields.count(act) != 0)
                fields.at(act)->value = typed;
            else if (act == 'F')
                app.app->fullScreenMode ^= 1;
            else if (act == 'Y')
                app.app->playStopFlag ^= 1;
            else if (act == 'G')
                app.app->LogEditGoTo(3);
            if (kActions.count(act) != 0)
                (app.app.get()->*kActions.at(act))();
            EXPECT_EQ(editorView(app), view);
        }
    }
    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(Navigation, StepsJumpsAndTypedTimesShowTheRecordAndItsNeighbours) {
    threeRecords();
    app.app->logNr = 0;  // as an imported log whose last row is numbered 0 leaves it
    const std::string one = "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|]";
    const std::string two = "@2 #05 01:00:15:00-";
    const std::string three = "@3 #1 01:00:30:00-  '' [|JPEG-three|] *";
    run({{'B', "", one},
         {'S', "01 00 00", one},  // the same time again: no change
         {'N', "", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 '' [JPEG-one||JPEG-three]"},
         {'N', "", "@3 #1 01;00;30;00-  '' [|JPEG-three|]"},
         {'N', "", "@3 #1 01;00;30;00-  '' [|JPEG-three|]"},
         {'T', "", "@3 #1 01;00;30;00-  '' [|JPEG-three|]"},  // no stop, none typed
         {'S', "01;00;30;00", three},                         // stored with colons
         // Numbers are texts: "5" is not "05"; the last record carrying a number wins.
         {'J', "5", three},
         {'J', "05", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 '' [JPEG-one||JPEG-three] *"},
         // A comment typed before a time is kept; an emptied stop opens the record; a stop
         // before the start ends on the next day.
         {'K', "wide", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 'wide' [JPEG-one||JPEG-three] *"},
         {'S', "1:0:15", two + "01:00:25:00 00:00:10 'wide' [JPEG-one||JPEG-three] *"},
         {'T', "", two + "  'wide' [JPEG-one||JPEG-three] *"},
         {'T', "0:59", two + "00:59:00:00 23:58:45 'wide' [JPEG-one||JPEG-three] *"},
         // The comment typed goes with the record it was typed on, at either end too.
         {'K', "wider", two + "00:59:00:00 23:58:45 'wider' [JPEG-one||JPEG-three] *"},
         {'J', "1", three},
         {'K', "end", "@3 #1 01:00:30:00-  'end' [|JPEG-three|] *"},
         {'N', "", "@3 #1 01:00:30:00-  'end' [|JPEG-three|] *"},
         {'B', "", two + "00:59:00:00 23:58:45 'wider' [JPEG-one||JPEG-three] *"},
         {'S', "", "@2 #05 00:00:00:00-00:59:00:00 00:59:00 'wider' [JPEG-one||JPEG-three] *"},
         // In full screen no typed time; stepping works.
         {'F', "", "@2 #05 00:00:00:00-00:59:00:00 00:59:00 'wider' [JPEG-one||JPEG-three] *"},
         {'S', "5", "@2 #05 5-00:59:00:00 00:59:00 'wider' [JPEG-one||JPEG-three] *"},
         {'B', "", one + " *"},
         {'G', "", one + " *"},
         {'F', "", one + " *"},
         {'Y', "", one + " *"},
         // Refused while a record plays: the field goes back to the number on show.
         {'J', "05", one + " *"}});
    EXPECT_EQ(app.field(2, kFieldStart) + "|" + app.field(3, kFieldComment1) + "|" +
                  app.field(1, kFieldComment1),
              "00:00:00:00|end|");
}

// A time typed and not committed goes into its record with the next edit, as one step of undo.
TEST_F(Navigation, ATimeTypedBeforeAnAddIsStoredAndUndoneWithIt) {
    threeRecords();
    w.txtEditStart.type("1:0:5");
    w.txtEditStop.type("1:0:9");
    app.app->btnEditLogAdd();
    EXPECT_EQ(app.field(1, kFieldStart) + "-" + app.field(1, kFieldStop) + " " +
                  w.btnMenuUndoVal.title,
              "01:00:05:00-01:00:09:00 Undo Add Record");
    app.app->btnEditUndo();
    EXPECT_EQ(
        app.field(1, kFieldStart) + " " + std::to_string(app.app->logStartArray.recordCount()),
        "01:00:00:00 3");
    // Each group stops at its highest value; an emptied stop opens the record.
    w.txtEditStart.type("24:60:60:30");
    w.txtEditStop.type("");
    app.app->btnEditLogAdd();
    EXPECT_EQ(app.field(1, kFieldStart) + "-" + app.field(1, kFieldStop), "23:59:59:29-");
    EXPECT_EQ(timecode_entry::normalise("23:59:59:29"), "23:59:59:29");
    // A comment alone is a change to save.
    app.app->editChangeFlag = 0;
    const int typedOn = app.app->logEditPos;
    w.txtEditComment2.type("boom in shot");
    app.app->btnLogNaechstes();
    EXPECT_EQ(app.field(typedOn, kFieldComment2) + " " + std::to_string(app.app->editChangeFlag),
              "boom in shot 1");
}

// Refreshes while the user types lose nothing typed, and each store is one step of undo.
TEST_F(Navigation, TextBeingTypedSurvivesTheRefreshesOfDeviceEvents) {
    const auto device = [this](std::uint8_t event, std::uint8_t seconds) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, event, 1, 0, seconds, 0, 0, 0xF7});
    };
    device(0x01, 0);  // record 1, on show
    w.txtEditComment1.type("abcdefghijk");
    device(0x02, 10);
    EXPECT_EQ(editorView(app), "@1 #1 01:00:00:00-01:00:10:00 00:00:10 'abcdefghijk' [||] *");
    w.txtEditComment2.type("boom");  // taken back by the first undo, the stored comment next
    for (const char* shown : {"abcdefghijk", ""}) {
        app.app->btnEditUndo();
        EXPECT_EQ(w.txtEditComment1.value + w.txtEditComment2.value, shown);
        EXPECT_EQ(app.field(1, kFieldComment1) + app.field(1, kFieldComment2), shown);
    }
    app.app->btnEditRedo();
    w.txtEditStop.type("");     // the take opened again: the next stop, whose start has passed,
    app.app->txtEditStopChg();  // completes it
    w.txtEditStart.type("1:0:2");
    device(0x02, 12);
    EXPECT_EQ(editorView(app), "@1 #1 1:0:2-01:00:12:00  'abcdefghijk' [||] *");
    device(0x01, 20);
    app.app->btnLogNaechstes();  // from the menu: the start field keeps the keyboard
    EXPECT_EQ(app.field(1, kFieldStart), "01:00:02:00");
    EXPECT_EQ(w.btnMenuUndoVal.title, "Undo Start Time");
    w.txtEditStart.keyboard = false;
    w.txtEditNr.type("1");
    device(0x02, 25);
    EXPECT_EQ(editorView(app), "@2 #1 01:00:20:00-01:00:25:00 00:00:05 '' [||] *");
    app.app->txtEditLogNr();
    app.app->btnLogNaechstes();  // the number confirmed is no longer kept
    EXPECT_EQ(w.txtEditNr.value, "2");
    w.txtEditComment2.type("boom in shot");
    w.chkEditChaseModeVal.on = true;
    app.app->chkEditChaseMode();
    app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 1, 0, 5, 0, 0xF7});  // inside record 1
    EXPECT_EQ(w.txtEditNr.value + " " + app.field(2, kFieldComment2), "1 boom in shot");
}

// Follow moves the editor to each new take only while nobody types on the record on show, and
// follows the take after the typing is closed. At work: 'c' a comment typed, 's' a start typed,
// 'f' one in full screen, 'k' the keyboard in a comment, 'o' Follow off; closed by 'R' Return
// in the comment, 'L' leaving it, 'E' Ctrl+End, 'B' a step back, 'S' Return in the start, 'F'
// full screen ended. Seen: record 2's start after its stop, the editor's place after takes 3 to
// 5, record 2's comment and start, the comments of takes 3 to 5 and the comment field.
TEST(Follow, TheEditorWaitsOnTheRecordTheUserTypesOn) {
    const std::pair<const char*, const char*> cases[] = {
        {"cR", "01:00:10:00 @2 @2 @5 'Sc 7 Sc 7 ' 01:00:10:00 '||||'"},
        {"cL", "01:00:10:00 @2 @2 @5 'Sc 7 Sc 7 ' 01:00:10:00 '||||'"},
        {"cE", "01:00:10:00 @2 @2 @5 'Sc 7 Sc 7 ' 01:00:10:00 '||||'"},
        {"cB", "01:00:10:00 @2 @2 @1 'Sc 7 Sc 7 ' 01:00:10:00 '|||'"},
        {"sS", "01:00:10:00 @2 @2 @5 '' 01:00:02:00 '||||'"},
        {"fF", "01:00:10:00 @2 @2 @5 '' 01:00:02:00 '||||'"},
        {"k-", "01:00:10:00 @3 @4 @5 '' 01:00:10:00 '||||'"},
        {"o-", "01:00:10:00 @2 @2 @2 '' 01:00:10:00 '|||'"},
    };
    for (const auto& [how, expected] : cases) {
        SCOPED_TRACE(how);
        fake::App app;
        fake::Windows& w = app.windows;
        vexaLogging3AppDelegate& c = *app.app;
        w.chkEditModeVal.on = true;
        const auto device = [&](std::uint8_t event, std::uint8_t seconds) {
            app.receive({0xF0, 0x2C, 0x4D, 0x67, event, 1, 0, seconds, 0, 0, 0xF7});
        };
        const auto act = [&](char a) {
            if (a == 'c')
                w.txtEditComment1.type(w.txtEditComment1.value + "Sc 7 ");
            if (a == 's' || (a == 'f' && c.fullScreenMode == 0))
                w.txtEditStart.type("1:0:2");
            w.txtEditStart.keyboard = w.txtEditStart.keyboard && a != 'f';
            c.fullScreenMode = a == 'f' ? 1 : a == 'F' ? 0 : c.fullScreenMode;
            w.txtEditComment1.keyboard = (w.txtEditComment1.keyboard || a == 'k') && a != 'L';
            c.followTakes = c.followTakes && a != 'o';
            if (a == 'R' || a == 'L')
                c.txtEditCommentChg();
            if (a == 'E')
                c.LogEditGoTo(4);
            if (a == 'B')
                c.btnLogVorher();
            if (a == 'S' || a == 'F')
                c.txtEditStartChg();
        };
        device(0x01, 0);
        device(0x01, 10);
        act(how[0]);
        device(0x02, 20);  // the take on show ends: the editor is refreshed
        std::string seen = app.field(2, kFieldStart);
        for (const std::uint8_t take : {30, 40, 50}) {
            act(take == 40 ? how[0] : take == 50 ? how[1] : '-');
            device(0x01, take);
            seen += " @" + std::to_string(c.logEditPos);
        }
        seen += " '" + app.field(2, kFieldComment1) + "' " + app.field(2, kFieldStart) + " '";
        for (int take = 3; take <= 5; ++take) seen += app.field(take, kFieldComment1) + "|";
        EXPECT_EQ(seen + (c.logEditPos == 5 ? w.txtEditComment1.value + "|" : "") + "'", expected);
    }
}

TEST_F(Navigation, RenumberStoresTheTypedTextWhenItsValueIsOneTo999) {
    app.app->btnEditLogNr();
    EXPECT_EQ(w.panelEditNr.runs, 0) << "an empty log has nothing to renumber";
    threeRecords();
    app.app->logNr = 0;
    app.app->btnLogNaechstes();
    // Typed, OK pressed (else the panel is closed), stored, the player steps the editor on
    // while the panel is up.
    const std::tuple<std::string, bool, std::string, bool> cases[] = {
        {"007", true, "007", false},   {"999", true, "999", false},  {"1", true, "1", false},
        {" +42", true, " +42", false}, {"77", false, " +42", false}, {"12a", true, "12a", false},
        {"0", true, "12a", false},     {"1000", true, "12a", false}, {"-5", true, "12a", false},
        {"abc", true, "12a", false},   {"22", true, "22", true}};
    for (const auto& [typed, ok, stored, playerMovesOn] : cases) {
        SCOPED_TRACE(typed);
        app.app->logEditPos = 2;
        app.app->LogActualWrite();
        app.app->editChangeFlag = 0;
        const std::string before = app.field(2, kFieldNumber);
        std::string offered;
        // The panel starts from the record's own number; the user types over it.
        w.panelEditNr.whileModal = [&] {
            offered = w.txtEditNrChangeVal.value;
            w.txtEditNrChangeVal.value = typed;
            if (playerMovesOn)
                app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7});  // the comparison time
            if (ok)
                app.app->btnEditLogNrOk();
        };
        app.app->btnEditLogNr();
        EXPECT_EQ(std::tuple(offered, app.field(2, kFieldNumber), w.txtEditNr.value,
                             int(app.app->editChangeFlag), w.panelEditNr.visible),
                  std::tuple(before, stored, playerMovesOn ? "1" : stored, int(stored != before),
                             false));
    }
    EXPECT_EQ(app.field(1, kFieldNumber) + "|" + app.field(3, kFieldNumber), "1|1");
}

TEST(Chase, TheRunningTimecodeBringsTheNewestRecordHoldingIt) {
    fake::App app;
    addRecord(app, "1", "02:00:00:00", "02:00:30:00", "");
    addRecord(app, "2", "02:00:10:00", "02:00:20:00", "");
    addRecord(app, "3", "02:00:40:00", "02:00:50:00", "");
    addRecord(app, "4", "02:00:45:00", "", "");
    addRecord(app, "5", "02;00;00;00", "", "");
    app.app->LogActualWrite();
    struct Case {
        std::uint8_t hours, minutes, seconds;
        bool chase;
        int shown;  // the record in the editor afterwards
    } const cases[] = {
        {2, 0, 15, false, 1},  // chase off: the editor stays
        {2, 0, 15, true, 2},   // inside both: the newer record
        {2, 0, 25, true, 1},   // record 2 has stopped
        {2, 0, 40, true, 3},   // a start is inside
        {2, 0, 46, true, 3},   // a stopped record it is inside beats a newer open one
        {2, 0, 50, true, 4},   // a stop is not inside
        {2, 0, 35, true, 4},   // inside none: the editor keeps what it shows; ":" sorts before ";"
        {1, 59, 59, true, 1},  // before every start: the first record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.seconds));
        app.windows.chkEditChaseModeVal.on = c.chase;
        app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, c.hours, c.minutes, c.seconds, 0, 0xF7});
        EXPECT_EQ(std::to_string(app.app->logEditPos) + " #" + app.windows.txtEditNr.value,
                  std::to_string(c.shown) + " #" + std::to_string(c.shown));
    }
    // The same record again does not refresh the editor over what is being typed.
    app.windows.txtEditComment1.value = "being typed";
    app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 1, 59, 58, 0, 0xF7});
    EXPECT_EQ(app.windows.txtEditComment1.value, "being typed");
}

}  // namespace
