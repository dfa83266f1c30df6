// The editor's picture full screen: the ways out, and what it blocks until then.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

// Entered without unsaved changes: no prompt. The prompt's answers are tested with New's.
TEST(FullScreen, BlocksTheFileAndEditingActionsUntilLeftEitherWay) {
    fake::App app;
    app.app->awakeFromNib();
    editor_test::addRecord(app, "1", "01:00:00:00", "", "JPEG-one");
    editor_test::addRecord(app, "2", "01:00:10:00", "", "JPEG-two");
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
          &vexaLogging3AppDelegate::txtEditLogNr, &vexaLogging3AppDelegate::btnFullScreen})
        (app.app.get()->*action)();
    EXPECT_TRUE(w.dialogs.alerts.empty() && w.dialogs.saveDialogs.empty());
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
