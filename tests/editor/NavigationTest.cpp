// Stepping through the log, jumping to a typed number, and renumbering through the panel.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;
using editor_test::editorView;

// 'N' next, 'B' back, 'J' jump to the number typed, 'C' comment 1 typed, 'F' full screen on
// or off, 'P' a playback started or ended, with what the editor shows afterwards.
struct Step {
    char act;
    std::string typed;
    std::string view;
};

class Navigation : public ::testing::Test {
protected:
    void threeRecords() {
        addRecord(app, {"1", "01:00:00:00", "01:00:10:00", "JPEG-one"});
        addRecord(app, {"05", "01:00:20:00", "01:00:25:00", ""});
        addRecord(app, {"1", "01:00:30:00", "", "JPEG-three"});
        app.app->LogActualWrite();
    }
    void run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            SCOPED_TRACE(std::string(1, s.act) + s.typed + " -> " + s.view);
            if (s.act == 'N')
                app.app->btnLogNaechstes();
            else if (s.act == 'B')
                app.app->btnLogVorher();
            else if (s.act == 'J')
                app.windows.txtEditNr.value = s.typed;
            else if (s.act == 'C')
                app.windows.txtEditComment1.value = s.typed;
            else if (s.act == 'F')
                app.app->fullScreenMode ^= 1;
            else if (s.act == 'P')
                app.app->playStopFlag ^= 1;
            if (s.act == 'J')
                app.app->txtEditLogNr();
            EXPECT_EQ(editorView(app), s.view);
        }
    }
    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(Navigation, StepsAndJumpsShowTheRecordAndItsNeighbours) {
    threeRecords();
    run({{'B', "", "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|]"},
         {'N', "", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 '' [JPEG-one||JPEG-three]"},
         {'N', "", "@3 #1 01:00:30:00-  '' [|JPEG-three|]"},
         {'N', "", "@3 #1 01:00:30:00-  '' [|JPEG-three|]"},
         // Numbers are texts: "5" is not "05"; the last record carrying a number wins.
         {'J', "5", "@3 #1 01:00:30:00-  '' [|JPEG-three|]"},
         {'J', "05", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 '' [JPEG-one||JPEG-three]"},
         // The comment typed goes with the record it was typed on, at either end too.
         {'C', "wide", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 'wide' [JPEG-one||JPEG-three]"},
         {'J', "1", "@3 #1 01:00:30:00-  '' [|JPEG-three|] *"},
         {'C', "end", "@3 #1 01:00:30:00-  'end' [|JPEG-three|] *"},
         {'N', "", "@3 #1 01:00:30:00-  'end' [|JPEG-three|] *"},
         {'B', "", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 'wide' [JPEG-one||JPEG-three] *"},
         // No jump in full screen or during a playback; stepping in full screen works.
         {'F', "", "@2 #05 01:00:20:00-01:00:25:00 00:00:05 'wide' [JPEG-one||JPEG-three] *"},
         {'J', "1", "@2 #1 01:00:20:00-01:00:25:00 00:00:05 'wide' [JPEG-one||JPEG-three] *"},
         {'B', "", "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|] *"},
         {'F', "", "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|] *"},
         {'P', "", "@1 #1 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|] *"},
         {'J', "05", "@1 #05 01:00:00:00-01:00:10:00 00:00:10 '' [|JPEG-one|] *"}});
    EXPECT_EQ(app.field(3, kFieldComment1), "end");
    EXPECT_EQ(app.field(1, kFieldComment1), "");
}

TEST_F(Navigation, AnEmptyLogIgnoresEveryWayOfMoving) {
    app.app->LogEditInit();
    run({{'N', "", "@1 # -  '' [||]"},
         {'B', "", "@1 # -  '' [||]"},
         {'J', "1", "@1 #1 -  '' [||]"}});
    app.app->btnEditLogNr();
    EXPECT_EQ(w.panelEditNr.runs, 0);
}

TEST_F(Navigation, RenumberStoresTheTypedTextWhenItsValueIsOneTo999) {
    threeRecords();
    app.app->btnLogNaechstes();
    struct Case {
        std::string typed;
        bool ok;  // else the panel is closed
        std::string stored;
        bool playerMovesOn = false;  // the player steps the editor on while the panel is up
    };
    for (const Case& c :
         {Case{"007", true, "007"}, Case{"999", true, "999"}, Case{"1", true, "1"},
          Case{" +42", true, " +42"}, Case{"77", false, " +42"}, Case{"12a", true, "12a"},
          Case{"0", true, "12a"}, Case{"1000", true, "12a"}, Case{"-5", true, "12a"},
          Case{"abc", true, "12a"}, Case{"22", true, "22", true}}) {
        SCOPED_TRACE(c.typed);
        app.app->logEditPos = 2;
        app.app->LogActualWrite();
        app.app->editChangeFlag = 0;
        const std::string before = app.field(2, kFieldNumber);
        std::string offered;
        // The panel starts from the record's own number; the user types over it.
        w.panelEditNr.whileModal = [&] {
            offered = w.txtEditNrChangeVal.value;
            w.txtEditNrChangeVal.value = c.typed;
            if (c.playerMovesOn)
                app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7});  // the comparison time
            if (c.ok)
                app.app->btnEditLogNrOk();
        };
        app.app->btnEditLogNr();
        EXPECT_EQ(offered, before);
        EXPECT_EQ(app.field(2, kFieldNumber), c.stored);
        EXPECT_EQ(w.txtEditNr.value, c.playerMovesOn ? "1" : c.stored);
        EXPECT_EQ(app.app->editChangeFlag, c.stored == before ? 0 : 1);
        EXPECT_FALSE(w.panelEditNr.visible);
    }
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_EQ(app.field(3, kFieldNumber), "1");
}

}  // namespace
