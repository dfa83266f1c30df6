// The recovery file: written off the main thread, one per running program, offered again
// only once its program has gone, whatever way it went.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "documents/ProjectFiles.h"
#include "documents/RecoveryFile.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using projectfiles::goldenLog;
using projectfiles::TempFolder;
using projectfiles::valuesOf;

TEST(RecoveryFile, TwoRunningProgramsKeepSeparateFilesAndNeitherIsOffered) {
    TempFolder folder;
    platform::plist::PropertyListFileStore store;
    RecoveryFile first(store, folder.path() + "/state");
    RecoveryFile second(store, folder.path() + "/state");
    ASSERT_TRUE(first.usable());
    ASSERT_TRUE(second.usable());
    EXPECT_NE(first.path(), second.path());

    first.save(goldenLog(), "/shows/day1.vlg");
    second.save(LogList(goldenLog()), "Untitled");
    first.waitUntilIdle();
    second.waitUntilIdle();
    EXPECT_EQ(first.lastError(), "");
    EXPECT_EQ(store.readArray(first.path()).entries, valuesOf(goldenLog()));
    EXPECT_TRUE(RecoveryFile::leftBehind(folder.path() + "/state").empty())
        << "the files of running programs are theirs";

    first.discard();
    EXPECT_FALSE(std::filesystem::exists(first.path()));
}

TEST(RecoveryFile, AProgramKilledAfterASaveLeavesItsLogToRestore) {
    TempFolder folder;
    const std::string state = folder.path() + "/state";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::plist::PropertyListFileStore store;
        RecoveryFile recovery(store, state);
        recovery.save(goldenLog(), "/shows/day 1.vlg");
        recovery.waitUntilIdle();
        ::raise(SIGKILL);  // no destructor, no clean-up: a crash
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto found = RecoveryFile::leftBehind(state);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].documentPath, "/shows/day 1.vlg");
    EXPECT_GT(found[0].modified, 0);
    platform::plist::PropertyListFileStore store;
    EXPECT_EQ(store.readArray(found[0].file).entries, valuesOf(goldenLog()));

    // A new program does not write over the file it has yet to offer.
    {
        RecoveryFile next(store, state);
        next.save(LogList(), "Untitled");
        next.waitUntilIdle();
        EXPECT_NE(next.path(), found[0].file);
        next.discard();
    }
    EXPECT_EQ(store.readArray(found[0].file).entries, valuesOf(goldenLog()));
    RecoveryFile::remove(found[0]);
    EXPECT_TRUE(RecoveryFile::leftBehind(state).empty());
}

TEST(RecoveryFile, AnUnwritableFolderKeepsNothingAndSaysSo) {
    TempFolder folder;
    platform::plist::PropertyListFileStore store;
    projectfiles::writeFile(folder.path() + "/file", "not a folder");
    RecoveryFile recovery(store, folder.path() + "/file/state");
    EXPECT_FALSE(recovery.usable());
    recovery.save(goldenLog(), "x");  // ignored, never blocks
    recovery.waitUntilIdle();
}

}  // namespace
