// The editor's picture full screen: the save prompt before it, the ways out, what it blocks.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using platform::kAlertAlternate;
using platform::kAlertDefault;
using platform::kAlertOther;

// "Save" saves first, through the save dialog for a log never saved; a cancelled dialog or a
// failed write leaves the picture windowed and the changes unsaved.
TEST(FullScreen, BeginsAfterEachAnswerThatLetsItAndKeepsUnsavedChangesUnsaved) {
    struct Case {
        const char* name;
        int changed, answer;
        std::optional<std::string> chosen;
        std::string failure;
        bool fullScreen, saved;
    };
    for (const Case& k :
         {Case{"unchanged", 0, -1, {}, "", true, false},
          Case{"cancel", 1, kAlertAlternate, {}, "", false, false},
          Case{"don't save", 1, kAlertOther, {}, "", true, false},
          Case{"save", 1, kAlertDefault, "/shoot/day", "", true, true},
          Case{"dialog cancelled", 1, kAlertDefault, {}, "", false, false},
          Case{"write failed", 1, kAlertDefault, "/shoot/day", "Disk full", false, false}}) {
        SCOPED_TRACE(k.name);
        fake::App app;
        app.app->awakeFromNib();
        editor_test::addRecord(app, {"1", "01:00:00:00", "", "JPEG-one"});
        app.app->editChangeFlag = k.changed;
        app.windows.dialogs.answers = {k.answer};
        app.windows.dialogs.savePath = k.chosen;
        app.propertyLists.failWith = k.failure;
        app.app->btnFullScreen();
        EXPECT_EQ(app.windows.dialogs.alerts.size(), k.changed + (k.failure.empty() ? 0u : 1u));
        EXPECT_EQ(app.app->fullScreenMode, k.fullScreen ? 1 : 0);
        EXPECT_EQ(app.windows.imgEdit.fullScreen, k.fullScreen);
        EXPECT_EQ(app.app->editChangeFlag, k.changed && !k.saved ? 1 : 0);
        EXPECT_EQ(app.propertyLists.files.count("/shoot/day.vlg"), k.saved ? 1u : 0u);
    }
}

TEST(FullScreen, BlocksTheFileAndEditingActionsUntilLeftEitherWay) {
    fake::App app;
    app.app->awakeFromNib();
    editor_test::addRecord(app, {"1", "01:00:00:00", "", "JPEG-one"});
    editor_test::addRecord(app, {"2", "01:00:10:00", "", "JPEG-two"});
    fake::Windows& w = app.windows;
    app.app->btnFullScreen();
    app.app->editChangeFlag = 1;
    w.dialogs.savePath = "/d/x";
    w.dialogs.openPath = "/d/y.vlg";
    w.txtEditNr.value = "2";
    for (auto action :
         {&vexaLogging3AppDelegate::btnFileNew, &vexaLogging3AppDelegate::btnFileOpen,
          &vexaLogging3AppDelegate::btnFileSaveAs, &vexaLogging3AppDelegate::LogOpenEDL,
          &vexaLogging3AppDelegate::LogSaveEdl, &vexaLogging3AppDelegate::btnPictureExportAll,
          &vexaLogging3AppDelegate::txtEditLogNr})
        (app.app.get()->*action)();
    EXPECT_TRUE(w.dialogs.alerts.empty() && w.dialogs.saveDialogs.empty());
    EXPECT_TRUE(w.dialogs.openDialogs.empty());
    EXPECT_EQ(app.app->logEditPos, 1);
    app.app->btnExitFullScreen();
    EXPECT_FALSE(app.app->fullScreenMode || w.imgEdit.fullScreen);
    app.app->txtEditLogNr();
    EXPECT_EQ(app.app->logEditPos, 2);
    // Escape goes by what the view shows, not by the flag.
    app.app->editChangeFlag = 0;
    app.app->btnFullScreen();
    vexaLogging3AppDelegate::ExitFullScreen();
    EXPECT_FALSE(app.app->fullScreenMode || w.imgEdit.fullScreen);
    app.app->fullScreenMode = 1;
    vexaLogging3AppDelegate::ExitFullScreen();
    EXPECT_EQ(app.app->fullScreenMode, 1);
}

}  // namespace
