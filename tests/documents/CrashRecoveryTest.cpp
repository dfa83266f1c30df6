// The controller keeps a copy of the unsaved log on disk while it changes, removes it once
// the log is saved, and a program started after one that did not end cleanly offers it.

#include <gtest/gtest.h>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"
#include "support/FakePlatform.h"

namespace {

using projectfiles::TempFolder;

// A controller over fakes, except for project files, which are real files in a real folder.
struct RecoveringApp {
    explicit RecoveringApp(const std::string& state) {
        app.app = std::make_unique<vexaLogging3AppDelegate>(
            PlatformServices{app.mainThread, app.clock, app.systemLog, app.midi, app.codec,
                             app.timers, app.video, &store, &app.pictureConverter},
            app.windows.outlets());
        app.app->recoveryDirectory = state;
        app.app->awakeFromNib();
    }
    void log(std::uint8_t second) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, second, 0x00, 0x20, 0xF7});
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x01, 0x00, second, 0x10, 0xF7});
    }
    platform::plist::PropertyListFileStore store;
    fake::App app;
};

std::vector<std::string> numbersIn(const LogList& list) {
    std::vector<std::string> numbers;
    for (int k = 1; k <= list.recordCount(); ++k)
        numbers.push_back(list.text(LogList::indexOf(k, kFieldNumber)));
    return numbers;
}

TEST(CrashRecovery, ALogLeftBehindIsOfferedAndRestoredAsTheUnsavedDocumentItWas) {
    TempFolder folder;
    const std::string state = folder.path() + "/state";
    {
        RecoveringApp crashed(state);
        crashed.app.app->setPathString("/shows/day1.vlg");
        crashed.log(1);
        crashed.log(9);  // a finished log is kept at once, however soon after the last
        crashed.app.app->waitForRecoveryFile();
        EXPECT_TRUE(RecoveryFile::leftBehind(state).empty()) << "its program still runs";
        // Gone without quitting, as in a crash: nothing removes the copy.
    }
    const auto left = RecoveryFile::leftBehind(state);
    ASSERT_EQ(left.size(), 1u);

    {
        RecoveringApp next(state);
        next.app.windows.dialogs.answers = {platform::kAlertDefault};  // Restore
        next.app.app->offerRecovery();
        ASSERT_EQ(next.app.windows.dialogs.alerts.size(), 1u);
        EXPECT_EQ(
            next.app.windows.dialogs.alerts[0].message.rfind("Restore the unsaved log from ", 0),
            0u);
        EXPECT_EQ(numbersIn(next.app.app->logStartArray), (std::vector<std::string>{"1", "2"}));
        EXPECT_EQ(next.app.field(2, kFieldStop), "01:00:09:16");
        EXPECT_EQ(next.app.app->pathString, "/shows/day1.vlg");
        EXPECT_EQ(next.app.app->logNr, 2);
        EXPECT_EQ(next.app.app->editChangeFlag, 1) << "restored, not saved";
        EXPECT_EQ(next.app.windows.windowEdit.title, "Glimmark Editor - day1");

        // Saving the restored log leaves nothing to restore.
        next.app.app->setPathString(folder.path() + "/day1.vlg");
        next.app.app->btnFileSave();
        next.app.timers.advance(std::chrono::milliseconds(1000));
        next.app.app->waitForRecoveryFile();
    }
    EXPECT_TRUE(RecoveryFile::leftBehind(state).empty());
}

TEST(CrashRecovery, DiscardRemovesTheCopyAndACleanQuitLeavesNone) {
    TempFolder folder;
    const std::string state = folder.path() + "/state";
    {
        RecoveringApp crashed(state);
        crashed.log(1);
        crashed.app.app->waitForRecoveryFile();
    }
    {
        RecoveringApp next(state);
        next.app.windows.dialogs.answers = {platform::kAlertAlternate};  // Discard
        next.app.app->offerRecovery();
        EXPECT_EQ(next.app.app->logStartArray.recordCount(), 0);
        EXPECT_TRUE(RecoveryFile::leftBehind(state).empty());

        next.log(3);
        next.app.app->waitForRecoveryFile();
        next.app.windows.dialogs.answers = {platform::kAlertOther};  // Don't Save
        next.app.app->applicationWillTerminate();
    }
    EXPECT_TRUE(RecoveryFile::leftBehind(state).empty());
}

}  // namespace
