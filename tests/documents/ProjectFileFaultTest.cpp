// A save that cannot finish leaves the old project file whole and says why. Each fault is
// made in a child process, so that limits, lost permissions and a kill stay there.

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <csignal>
#include <cstring>
#include <optional>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

LogList logOfMegabytes(int megabytes) {
    LogList list;
    list.append(header());
    for (int i = 0; i < 10 * megabytes; ++i) {
        list.append(record(std::to_string(i + 1), "", "", patternPicture(100 * 1024, i)));
    }
    return list;
}

struct Fault {
    const char* name;
    void (*make)(const TempFolder&);  // runs in the child before the save
    const char* reason;               // part of the reason given; "" when killed
    bool leavesNothingBehind;
};

void killedHalfWay(const TempFolder&);
void fullDisk(const TempFolder&);

// A file system of 512 KB mounted over the test's folder, where the system allows it (root).
// The mount lives in a namespace of this test process's own, so nothing of it outlives the
// process, whatever happens to the test.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& path) : m_path(path) {
        m_mounted = ::unshare(CLONE_NEWNS) == 0 &&
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    ::mount("glimmark-test", path.c_str(), "tmpfs", 0, "size=512k") == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

class SaveFault : public testing::TestWithParam<Fault> {};

TEST_P(SaveFault, TheOldFileStaysWholeAndTheReasonNamesIt) {
    TempFolder folder;
    std::optional<SmallFileSystem> small;
    if (GetParam().make == fullDisk) {
        small.emplace(folder.path());
        if (!small->mounted())
            GTEST_SKIP() << "no small tmpfs can be mounted here: " << std::strerror(errno);
    }
    const std::string target = folder.file("day.vlg");
    ASSERT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
    const std::string before = fileText(target);
    const LogList bigger = logOfMegabytes(4);

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        GetParam().make(folder);
        // Half-way, with megabytes of the new file already written, the process dies as if
        // by a crash.
        platform::PropertyListFiles::Progress progress;
        if (GetParam().make == killedHalfWay) {
            progress = [](double done) {
                if (done >= 0.5)
                    ::kill(::getpid(), SIGKILL);
            };
        }
        const std::string reason = PropertyListFileStore().writeArray(target, bigger, progress);
        [[maybe_unused]] auto written = ::write(pipe[1], reason.data(), reason.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, got);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    EXPECT_TRUE(fileText(target) == before) << "the old file changed";
    if (*GetParam().reason == '\0') {
        EXPECT_TRUE(WIFSIGNALED(status));
    } else {
        EXPECT_NE(reason.find(target), std::string::npos) << reason;
        EXPECT_NE(reason.find(GetParam().reason), std::string::npos) << reason;
    }
    if (GetParam().leavesNothingBehind) {
        EXPECT_EQ(folder.entries(), 1u);
    } else {
        // What a kill leaves behind is cleared by a later save once it is old.
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            const timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            ::utimes(entry.path().c_str(), hourAgo);
        }
        EXPECT_EQ(folder.entries(), 2u);
        EXPECT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
        EXPECT_EQ(folder.entries(), 1u);
    }
}

void readOnlyFolder(const TempFolder& folder) {
    ::chmod(folder.path().c_str(), 0555);
    // Permissions do not hold for root; the save runs as nobody then.
    if (::geteuid() == 0) {
        [[maybe_unused]] int dropped = ::setgid(65534) + ::setuid(65534);
    }
}

void readOnlyFile(const TempFolder& folder) {
    ::chmod(folder.path().c_str(), 0777);
    ::chmod(folder.file("day.vlg").c_str(), 0444);
    if (::geteuid() == 0) {
        [[maybe_unused]] int dropped = ::setgid(65534) + ::setuid(65534);
    }
}

void fileSizeLimit(const TempFolder&) {
    // What a full disk does to write(), made with a limit where no tmpfs can be mounted.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256 * 1024, 256 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void killedHalfWay(const TempFolder&) {}
void fullDisk(const TempFolder&) {}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFault,
    testing::Values(Fault{"ReadOnlyFolder", readOnlyFolder, "Permission denied", true},
                    Fault{"ReadOnlyFile", readOnlyFile, "Permission denied", true},
                    Fault{"FullDisk", fullDisk, "No space left on device", true},
                    Fault{"FileSizeLimit", fileSizeLimit, "File too large", true},
                    Fault{"KilledHalfWay", killedHalfWay, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
