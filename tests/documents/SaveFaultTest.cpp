// Saves that cannot finish leave the old project file whole and say why; a program killed
// with an unsaved log leaves a copy that the next start offers back. Each fault is made in a
// child process, so that limits, lost permissions and kills stay there.

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <optional>

#include "documents/ProjectFiles.h"
#include "documents/RecoveryFile.h"
#include "platform/plist/PropertyListFileStore.h"
#include "support/FakePlatform.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

// Permissions do not hold for root; the save runs as nobody then.
void asNobody() {
    if (::geteuid() == 0) {
        [[maybe_unused]] int dropped = ::setgid(65534) + ::setuid(65534);
    }
}

struct Fault {
    const char* name;
    void (*make)(const TempFolder&);  // in the child, before the save
    const char* reason;               // part of the reason told; "" when the save is killed
    bool smallDisk = false;           // a 512 KB tmpfs over the folder
};

// The mount lives in a namespace of this test process's own and goes with the process.
struct SmallFileSystem {
    explicit SmallFileSystem(const std::string& path) : path(path) {
        mounted = ::unshare(CLONE_NEWNS) == 0 &&
                  ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                  ::mount("glimmark-test", path.c_str(), "tmpfs", 0, "size=512k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
    }
    std::string path;
    bool mounted = false;
};

class SaveFault : public testing::TestWithParam<Fault> {};

TEST_P(SaveFault, TheOldFileStaysWholeAndTheReasonNamesIt) {
    const Fault& fault = GetParam();
    TempFolder folder;
    std::optional<SmallFileSystem> disk;
    if (fault.smallDisk && !disk.emplace(folder.path()).mounted)
        GTEST_SKIP() << "no tmpfs can be mounted here (not root)";
    const std::string target = folder.file("day.vlg");
    ASSERT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
    const std::string before = fileText(target);
    LogList bigger = goldenLog();
    for (int i = 0; i < 40; ++i)
        bigger.append(record(std::to_string(i + 3), "", "", patternPicture(100 * 1024, i)));

    const ChildRun run = inChild([&] {
        fault.make(folder);
        // A kill half-way, with megabytes of the new file written, is a crash.
        return PropertyListFileStore().writeArray(target, bigger, [&](double done) {
            if (done >= 0.5 && *fault.reason == '\0')
                ::kill(::getpid(), SIGKILL);
        });
    });
    EXPECT_TRUE(fileText(target) == before) << "the old file changed";
    EXPECT_EQ(WIFSIGNALED(run.status), *fault.reason == '\0');
    EXPECT_NE(run.told.find(fault.reason), std::string::npos) << run.told;
    EXPECT_TRUE(*fault.reason == '\0' || run.told.find(target) != std::string::npos) << run.told;
    if (*fault.reason == '\0') {
        // What a kill leaves behind is cleared by a later save once it is old.
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            std::filesystem::last_write_time(entry.path(),
                                             entry.last_write_time() - std::chrono::hours(1));
        EXPECT_EQ(folder.entries(), 2u);
        EXPECT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
    }
    EXPECT_EQ(folder.entries(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFault,
    testing::Values(Fault{"ReadOnlyFolder",
                          [](const TempFolder& f) {
                              ::chmod(f.path().c_str(), 0555);
                              asNobody();
                          },
                          "Permission denied"},
                    Fault{"ReadOnlyFile",
                          [](const TempFolder& f) {
                              ::chmod(f.path().c_str(), 0777);
                              ::chmod(f.file("day.vlg").c_str(), 0444);
                              asNobody();
                          },
                          "Permission denied"},
                    Fault{"FullDisk", [](const TempFolder&) {}, "No space left on device", true},
                    // What a full disk does to write(), where no tmpfs can be mounted.
                    Fault{"FileSizeLimit",
                          [](const TempFolder&) {
                              std::signal(SIGXFSZ, SIG_IGN);
                              const rlimit limit{256 * 1024, 256 * 1024};
                              ::setrlimit(RLIMIT_FSIZE, &limit);
                          },
                          "File too large"},
                    Fault{"KilledHalfWay", [](const TempFolder&) {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A controller over fakes, except for project files: real files in a real folder.
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
    PropertyListFileStore store;
    fake::App app;
};

// Restored, the copy is the unsaved document it was; discarded, it is gone. A saved log, a
// clean quit and the copy of a program still running leave nothing to offer.
TEST(CrashRecovery, ALogLeftByAKilledProgramIsOfferedAtTheNextStart) {
    for (const bool restore : {true, false}) {
        SCOPED_TRACE(restore ? "restore" : "discard");
        TempFolder folder;
        const std::string state = folder.file("state");
        const ChildRun crashed = inChild([&] {
            RecoveringApp app(state);
            app.app.app->setPathString("/shows/day1.vlg");
            app.log(1);
            app.log(9);  // a finished log is kept at once, however soon after the last
            app.app.app->waitForRecoveryFile();
            ::raise(SIGKILL);
            return std::string();
        });
        ASSERT_TRUE(WIFSIGNALED(crashed.status));
        ASSERT_EQ(RecoveryFile::leftBehind(state).size(), 1u);
        {
            RecoveringApp next(state);
            vexaLogging3AppDelegate& c = *next.app.app;
            next.app.windows.dialogs.answers = {restore ? platform::kAlertDefault
                                                        : platform::kAlertAlternate};
            c.offerRecovery();
            ASSERT_EQ(next.app.windows.dialogs.alerts.size(), 1u);
            EXPECT_EQ(next.app.windows.dialogs.alerts[0].message.rfind("Restore the unsaved", 0),
                      0u);
            EXPECT_EQ(c.logStartArray.recordCount(), restore ? 2 : 0);
            EXPECT_EQ(next.app.field(2, kFieldStop), restore ? "01:00:09:16" : "");
            EXPECT_EQ(c.pathString, restore ? "/shows/day1.vlg" : "Untitled");
            EXPECT_EQ(std::tuple(c.logNr, c.editChangeFlag), std::tuple(restore ? 2 : 0, restore));
            next.log(3);
            c.waitForRecoveryFile();
            EXPECT_TRUE(RecoveryFile::leftBehind(state).empty()) << "its program still runs";
            next.app.windows.dialogs.answers = {platform::kAlertOther};
            if (restore) {
                c.setPathString(folder.file("day1.vlg"));
                c.btnFileSave();
                next.app.timers.advance(std::chrono::milliseconds(1000));
                c.waitForRecoveryFile();
            } else {
                c.applicationWillTerminate();  // Don't Save
            }
        }
        EXPECT_TRUE(RecoveryFile::leftBehind(state).empty());
    }
}

}  // namespace
