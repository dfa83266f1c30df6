// Start-up, the clock, the documents' names in the titles, and the picture's full screen.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "editor/LogFixture.h"
#include "shell/DocumentName.h"

namespace {

using namespace std::chrono_literals;

TEST(StartUp, LeavesAnUntitledLogAndLooksForTheInterfaceAtOnceThenEveryTwoSeconds) {
    for (const bool pluggedAtStart : {true, false}) {
        SCOPED_TRACE(pluggedAtStart ? "plugged at start" : "plugged later");
        fake::App app;
        if (pluggedAtStart)
            app.midi.plug("vexa ");
        app.app->awakeFromNib();
        EXPECT_EQ(std::pair(app.app->logStartArray.count(), app.field(0, 0)),
                  std::pair(std::size_t{10}, std::string("Glimmark")));
        const fake::Windows& w = app.windows;
        EXPECT_EQ(std::tuple(app.app->logNr, app.app->logEditPos,
                             std::uint8_t{app.app->editChangeFlag}, app.app->fullScreenMode,
                             app.app->mmcFpsAddWert, w.cmbLogSelectVal.selected),
                  std::tuple(0, 1, 0, 0, 32, 0));
        // Nothing to type into outside edit mode, nothing to start before a logging choice.
        EXPECT_FALSE(w.txtEditComment1.editable || w.txtEditComment2.editable ||
                     w.txtEditStart.editable || w.txtEditStop.editable ||
                     w.btnEditPlayVal.enabled || w.btnLogManualVal.enabled ||
                     w.btnLogManualStopVal.enabled);
        EXPECT_EQ(std::pair(w.cmbDevicesVal.items, w.cmbDevicesVal.selected),
                  std::pair(std::vector<std::string>{"Select Video Device"}, 0));
        EXPECT_EQ(w.windowEdit.title + " / " + w.windowRec.title,
                  "Glimmark Editor - Untitled / Glimmark Capture Tool - Untitled");
        EXPECT_EQ(app.app->midiOpenFlag, pluggedAtStart ? 1 : 0);
        app.midi.plug("vexa ");
        app.timers.advance(1999ms);
        EXPECT_EQ(app.app->midiOpenFlag, pluggedAtStart ? 1 : 0);
        app.timers.advance(1ms);
        EXPECT_EQ(app.app->midiOpenFlag, 1);
    }
}

// Every record's date and time of day: the wall clock of a zone 5:30 east of UTC, worked out.
TEST(SystemClock, TellsTheLocalDateAndTimeOfDay) {
    ::setenv("TZ", "XST-5:30", 1);
    ::tzset();
    platform::LocalTime now;
    std::time_t t;
    do {  // again if a second turned over in between
        t = std::time(nullptr);
        now = platform::SystemClock().now();
    } while (std::time(nullptr) != t);
    std::tm utc{};
    t += (5 * 60 + 30) * 60;
    ::gmtime_r(&t, &utc);
    EXPECT_EQ(std::tuple(now.year, now.month, now.day, now.hour, now.minute, now.second),
              std::tuple(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                         utc.tm_sec));
}

TEST(DocumentName, TitlesDropOnlyTheProgramsOwnExtension) {
    for (auto [path, name] :
         {std::pair{"Untitled", "Untitled"}, {"/home/Day 1.vlg", "Day 1"},
          {"/home/Day 1.log", "Day 1.log"}, {"/home/Day.VLG", "Day.VLG"}, {"/home/.vlg", ".vlg"},
          {"/home/backvlg", "backvlg"}, {"/a.vlg/b", "b"}})
        EXPECT_EQ(document::displayName(path), name) << path;
}

// With no windows connected, a question gets its cautious answer, never the one that deletes
// or discards, and a file dialog or panel is closed unanswered.
TEST(WindowLess, AQuestionIsAnsweredAsCancelledAndADialogAsClosed) {
    const platform::Outlets none;
    EXPECT_EQ(none.dialogs->runAlert("Delete?", "", "Delete", "Cancel"), platform::kAlertAlternate);
    EXPECT_FALSE(none.dialogs->runSaveDialog("day", "vlg", {}));
    EXPECT_FALSE(none.dialogs->runOpenDialog("vlg", {}));
    EXPECT_FALSE(none.panelEditNr->runModal());
    // A stand-in field was never typed into: shown records keep their text.
    EXPECT_FALSE(none.txtEditComment1->isEdited() || none.txtEditStart->isEdited());
    bool goesOn = false;  // nobody there to cancel: work once started runs to its end
    none.dialogs->runCancellableProgress("", [&](const auto& progress) { goesOn = progress(.5); });
    EXPECT_TRUE(goesOn);
}

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
    using C = vexaLogging3AppDelegate;
    for (auto action :
         {&C::btnFileNew, &C::btnFileOpen, &C::btnFileSaveAs, &C::LogOpenEDL, &C::LogSaveEdl,
          &C::btnPictureExportAll, &C::txtEditLogNr, &C::btnFullScreen})
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
