// Stepping through the log, jumping to a typed number, and renumbering through the panel.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;
using editor_test::shown;

class Navigation : public ::testing::Test {
protected:
    void threeRecords() {
        addRecord(app, {"1", "01:00:00:00", "01:00:10:00", "JPEG-one"});
        addRecord(app, {"2", "01:00:20:00", "01:00:25:00", ""});
        addRecord(app, {"3", "01:00:30:00", "", "JPEG-three"});
        app.app->LogActualWrite();
    }
    void type(fake::TextField& field, std::string text) { field.value = std::move(text); }

    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(Navigation, AnEmptyLogIgnoresEveryWayOfMoving) {
    app.app->LogEditInit();
    type(w.txtEditNr, "1");
    app.app->btnLogNaechstes();
    app.app->btnLogVorher();
    app.app->txtEditLogNr();
    app.app->btnEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(w.txtEditStart.value, "");
    EXPECT_EQ(w.panelEditNr.runs, 0);
    EXPECT_EQ(app.app->logStartArray.count(), 10u);
    EXPECT_EQ(app.app->editChangeFlag, 0);
}

TEST_F(Navigation, StepsForwardAndBackShowingTheRecordAndItsNeighbours) {
    threeRecords();
    EXPECT_EQ(w.txtEditNr.value, "1");
    EXPECT_EQ(shown(w.imgEdit), "JPEG-one");
    EXPECT_EQ(shown(w.imgEditPre), "");
    EXPECT_EQ(shown(w.imgEditNext), "");  // record 2 has no picture

    app.app->btnLogNaechstes();
    EXPECT_EQ(app.app->logEditPos, 2);
    EXPECT_EQ(w.txtEditStart.value, "01:00:20:00");
    EXPECT_EQ(w.txtEditDuration.value, "00:00:05");
    EXPECT_EQ(shown(w.imgEditPre), "JPEG-one");
    EXPECT_EQ(shown(w.imgEdit), "");
    EXPECT_EQ(shown(w.imgEditNext), "JPEG-three");

    app.app->btnLogNaechstes();
    app.app->btnLogNaechstes();  // the last record: stays
    EXPECT_EQ(app.app->logEditPos, 3);
    EXPECT_EQ(w.txtEditStop.value, "");
    EXPECT_EQ(w.txtEditDuration.value, "");
    EXPECT_EQ(shown(w.imgEditNext), "");

    app.app->btnLogVorher();
    app.app->btnLogVorher();
    app.app->btnLogVorher();  // record 1: stays
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(w.txtEditNr.value, "1");
    EXPECT_EQ(app.app->editChangeFlag, 0);  // stepping alone changes nothing
}

TEST_F(Navigation, SteppingStoresTypedCommentsIntoTheRecordLeftEvenAtTheEnds) {
    threeRecords();
    type(w.txtEditComment1, "wide shot");
    app.app->btnLogVorher();  // at record 1 already: stored all the same
    EXPECT_EQ(app.field(1, kFieldComment1), "wide shot");
    EXPECT_EQ(app.app->editChangeFlag, 1);

    app.app->editChangeFlag = 0;
    app.app->btnLogNaechstes();
    type(w.txtEditComment2, "take 2");
    app.app->btnLogNaechstes();
    EXPECT_EQ(app.field(2, kFieldComment2), "take 2");
    EXPECT_EQ(app.field(3, kFieldComment2), "");
    EXPECT_EQ(w.txtEditComment2.value, "");  // record 3's own comment shows
    EXPECT_EQ(w.txtEditComment1.value, "");
    EXPECT_EQ(app.app->editChangeFlag, 1);
}

TEST_F(Navigation, JumpFindsTheExactTextAndTheLastRecordCarryingIt) {
    addRecord(app, {"3", "01:00:00:00", "", ""});
    addRecord(app, {"05", "01:00:10:00", "", ""});
    addRecord(app, {"3", "01:00:20:00", "", ""});
    app.app->LogActualWrite();

    type(w.txtEditNr, "3");
    type(w.txtEditComment1, "typed on record 1");
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 3);
    EXPECT_EQ(w.txtEditStart.value, "01:00:20:00");
    // The comment went to the record shown before the jump, not to the other "3".
    EXPECT_EQ(app.field(1, kFieldComment1), "typed on record 1");
    EXPECT_EQ(app.field(3, kFieldComment1), "");

    type(w.txtEditNr, "5");
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 3);
    EXPECT_EQ(w.txtEditNr.value, "3");  // no match: the current number comes back

    type(w.txtEditNr, "05");
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 2);
}

TEST_F(Navigation, JumpIsRefusedInFullScreenDuringPlaybackAndBeforeAnyLog) {
    threeRecords();
    type(w.txtEditNr, "3");
    type(w.txtEditComment1, "kept in the field");

    app.app->fullScreenMode = 1;
    app.app->txtEditLogNr();
    app.app->fullScreenMode = 0;
    app.app->playStopFlag = 1;
    app.app->txtEditLogNr();
    app.app->playStopFlag = 0;
    app.app->logNr = 0;
    app.app->txtEditLogNr();

    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(w.txtEditNr.value, "3");  // not even refreshed
    EXPECT_EQ(app.field(1, kFieldComment1), "");
}

TEST_F(Navigation, RenumberStoresTheTypedTextWhenItsValueIsOneTo999) {
    threeRecords();
    app.app->btnLogNaechstes();
    struct Case {
        std::string typed;
        std::string stored;
    };
    for (const Case& c : {Case{"007", "007"}, Case{"999", "999"}, Case{"1", "1"},
                          Case{" +42", " +42"}, Case{"12a", "12a"}, Case{"0", "12a"},
                          Case{"1000", "12a"}, Case{"-5", "12a"}, Case{"abc", "12a"}}) {
        app.app->editChangeFlag = 0;
        // The panel starts from the record's own number; the user types over it and presses OK.
        std::string offered;
        w.panelEditNr.whileModal = [&] {
            offered = w.txtEditNrChangeVal.value;
            type(w.txtEditNrChangeVal, c.typed);
            app.app->btnEditLogNrOk();
        };
        const std::string before = app.field(2, kFieldNumber);
        app.app->btnEditLogNr();
        EXPECT_EQ(offered, before) << c.typed;
        EXPECT_EQ(app.field(2, kFieldNumber), c.stored) << c.typed;
        EXPECT_EQ(w.txtEditNr.value, c.stored) << c.typed;
        EXPECT_EQ(app.app->editChangeFlag, c.stored == before ? 0 : 1) << c.typed;
        EXPECT_FALSE(w.panelEditNr.visible) << c.typed;
    }
    // Only the record on show was renumbered.
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_EQ(app.field(3, kFieldNumber), "3");
}

TEST_F(Navigation, ClosingTheRenumberPanelKeepsTheNumber) {
    threeRecords();
    w.panelEditNr.whileModal = [&] { type(w.txtEditNrChangeVal, "77"); };
    app.app->btnEditLogNr();
    EXPECT_EQ(w.panelEditNr.runs, 1);
    EXPECT_FALSE(w.panelEditNr.visible);
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_EQ(w.txtEditNr.value, "1");
    EXPECT_EQ(app.app->editChangeFlag, 0);
}

TEST_F(Navigation, RenumberPanelDoesNotOpenBeforeTheFirstLog) {
    threeRecords();
    app.app->logNr = 0;
    app.app->btnEditLogNr();
    EXPECT_EQ(w.panelEditNr.runs, 0);
}

TEST_F(Navigation, NavigationWorksInFullScreenAndThePictureFollows) {
    threeRecords();
    app.app->btnFullScreen();
    ASSERT_EQ(app.app->fullScreenMode, 1);
    app.app->btnLogNaechstes();
    app.app->btnLogNaechstes();
    EXPECT_EQ(shown(w.imgEdit), "JPEG-three");
    EXPECT_TRUE(w.imgEdit.fullScreen);
    app.app->btnLogVorher();
    EXPECT_EQ(app.app->logEditPos, 2);

    w.panelEditNr.whileModal = [&] {
        type(w.txtEditNrChangeVal, "20");
        app.app->btnEditLogNrOk();
    };
    app.app->btnEditLogNr();
    EXPECT_EQ(app.field(2, kFieldNumber), "20");
}

}  // namespace
