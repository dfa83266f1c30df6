// The editor's picture full screen: the save prompt before it, the ways out, the blocked
// actions.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

class FullScreen : public ::testing::Test {
protected:
    FullScreen() {
        app.app->awakeFromNib();
        editor_test::addRecord(app, {"1", "01:00:00:00", "", "JPEG-one"});
        editor_test::addRecord(app, {"2", "01:00:10:00", "", "JPEG-two"});
        app.app->LogActualWrite();
    }

    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(FullScreen, WithoutUnsavedChangesBeginsAtOnce) {
    app.app->btnFullScreen();
    EXPECT_TRUE(w.dialogs.alerts.empty());
    EXPECT_EQ(app.app->fullScreenMode, 1);
    EXPECT_TRUE(w.imgEdit.fullScreen);
    EXPECT_FALSE(w.imgEditPre.fullScreen);
}

TEST_F(FullScreen, UnsavedChangesAskFirstAndCancelStaysWindowed) {
    app.app->editChangeFlag = 1;
    w.dialogs.answers = {platform::kAlertAlternate};
    app.app->btnFullScreen();
    ASSERT_EQ(w.dialogs.alerts.size(), 1u);
    const auto& alert = w.dialogs.alerts.front();
    EXPECT_EQ(alert.title, "File \"Untitled\" has been modified!");
    EXPECT_EQ(alert.defaultButton, "Save");
    EXPECT_EQ(alert.alternateButton, "Cancel");
    EXPECT_EQ(alert.otherButton, "Don't Save");
    EXPECT_EQ(app.app->fullScreenMode, 0);
    EXPECT_FALSE(w.imgEdit.fullScreen);
    EXPECT_EQ(app.app->editChangeFlag, 1);
}

TEST_F(FullScreen, DontSaveBeginsAndTheChangesStayUnsaved) {
    app.app->setPathString("/home/crew/Day 1.vlg");
    app.app->editChangeFlag = 1;
    w.dialogs.answers = {platform::kAlertOther};
    app.app->btnFullScreen();
    EXPECT_EQ(w.dialogs.alerts.at(0).title, "File \"Day 1.vlg\" has been modified!");
    EXPECT_EQ(app.app->fullScreenMode, 1);
    EXPECT_TRUE(w.imgEdit.fullScreen);
    EXPECT_EQ(app.app->editChangeFlag, 1);
    EXPECT_TRUE(app.propertyLists.files.empty());
}

// "Save" saves first: through the save dialog for a log never saved. A cancelled dialog or
// a failed write leaves the picture windowed and the changes unsaved.
TEST_F(FullScreen, SaveWritesTheLogThenBeginsUnlessTheSaveDoesNotHappen) {
    struct Case {
        const char* name;
        std::optional<std::string> chosen;
        std::string failure;
        bool fullScreen;
    };
    for (const Case& c :
         {Case{"saved", "/shoot/day", "", true}, Case{"dialog cancelled", std::nullopt, "", false},
          Case{"write failed", "/shoot/day", "No space left on device", false}}) {
        SCOPED_TRACE(c.name);
        fake::App fresh;
        fresh.app->awakeFromNib();
        editor_test::addRecord(fresh, {"1", "01:00:00:00", "", "JPEG-one"});
        fresh.app->editChangeFlag = 1;
        fresh.windows.dialogs.answers = {platform::kAlertDefault};
        fresh.windows.dialogs.savePath = c.chosen;
        fresh.propertyLists.failWith = c.failure;
        fresh.app->btnFullScreen();
        EXPECT_EQ(fresh.app->fullScreenMode, c.fullScreen ? 1 : 0);
        EXPECT_EQ(fresh.windows.imgEdit.fullScreen, c.fullScreen);
        EXPECT_EQ(fresh.app->editChangeFlag, c.fullScreen ? 0 : 1);
        EXPECT_EQ(fresh.propertyLists.files.count("/shoot/day.vlg"), c.fullScreen ? 1u : 0u);
    }
}

TEST_F(FullScreen, AskingAgainWhileFullScreenChangesNothing) {
    app.app->btnFullScreen();
    app.app->editChangeFlag = 1;
    app.app->btnFullScreen();
    EXPECT_TRUE(w.dialogs.alerts.empty());
    EXPECT_EQ(app.app->fullScreenMode, 1);
    EXPECT_EQ(app.app->editChangeFlag, 1);
}

TEST_F(FullScreen, TheExitActionLeavesOnceAndOnlyWhenFullScreen) {
    app.app->btnExitFullScreen();
    EXPECT_FALSE(w.imgEdit.fullScreen);
    app.app->btnFullScreen();
    app.app->btnExitFullScreen();
    EXPECT_EQ(app.app->fullScreenMode, 0);
    EXPECT_FALSE(w.imgEdit.fullScreen);
    // Back in the window, the actions blocked in full screen work again.
    w.txtEditNr.value = "2";
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 2);
}

TEST_F(FullScreen, EscapeGoesByWhatTheViewShowsNotByTheFlag) {
    app.app->btnFullScreen();
    vexaLogging3AppDelegate::ExitFullScreen();
    EXPECT_EQ(app.app->fullScreenMode, 0);
    EXPECT_FALSE(w.imgEdit.fullScreen);

    // The flag says full screen but the view is not: Escape leaves both alone.
    app.app->fullScreenMode = 1;
    vexaLogging3AppDelegate::ExitFullScreen();
    EXPECT_EQ(app.app->fullScreenMode, 1);
}

TEST_F(FullScreen, JumpingToATypedNumberIsBlocked) {
    app.app->btnFullScreen();
    w.txtEditNr.value = "2";
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 1);
}

TEST(FullScreenView, EscapeAfterTheControllerIsGoneDoesNothing) {
    {
        fake::App app;
        app.app->awakeFromNib();
    }
    EXPECT_EQ(vexaLogging3AppDelegate::imgEditKopie, nullptr);
    vexaLogging3AppDelegate::ExitFullScreen();
}

}  // namespace
