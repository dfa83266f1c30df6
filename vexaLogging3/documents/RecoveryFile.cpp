#include "documents/RecoveryFile.h"

#include "documents/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "recovery-";

std::string companionOf(const std::string& file) {
    return fs::path(file).replace_extension(".path").string();
}

std::string lockOf(const std::string& file) {
    return fs::path(file).replace_extension(".lock").string();
}

// A lock nobody holds means its program has ended, however it ended.
bool heldByARunningProgram(const std::string& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

}  // namespace

std::string RecoveryFile::defaultDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return (fs::path(state) / "glimmark").string();
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return (fs::path(home) / ".local" / "state" / "glimmark").string();
    return {};
}

RecoveryFile::RecoveryFile(platform::PropertyListFiles& store, std::string directory)
    : m_store(store), m_directory(std::move(directory)) {
    std::error_code error;
    if (m_directory.empty() || (fs::create_directories(m_directory, error), error))
        return;
    // A file left behind by an earlier program of the same process number is not this one's
    // to overwrite: it waits to be restored.
    for (int attempt = 0; attempt < 100 && m_lockFd < 0; ++attempt) {
        std::string name = kPrefix + std::to_string(::getpid());
        if (attempt > 0)
            name += "-" + std::to_string(attempt);
        const std::string stem = (fs::path(m_directory) / name).string();
        if (fs::exists(stem + ".vlg", error))
            continue;
        const int fd = ::open((stem + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        m_file = stem + ".vlg";
        m_lockFile = stem + ".lock";
        m_lockFd = fd;
    }
    if (m_lockFd < 0)
        return;
    m_thread = std::thread([this] { run(); });
}

RecoveryFile::~RecoveryFile() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    if (m_lockFd >= 0) {
        // Without a recovery file the lock has nothing left to guard.
        std::error_code error;
        if (!fs::exists(m_file, error))
            fs::remove(m_lockFile, error);
        ::close(m_lockFd);
    }
}

void RecoveryFile::save(LogList snapshot, std::string documentPath) {
    if (!usable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending = Pending{std::move(snapshot), std::move(documentPath)};
        m_discard = false;
    }
    m_wake.notify_one();
}

void RecoveryFile::discard() {
    if (!usable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_discard = true;
    }
    m_wake.notify_one();
    waitUntilIdle();
}

void RecoveryFile::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_discard && !m_busy; });
}

std::string RecoveryFile::lastError() {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void RecoveryFile::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_pending || m_discard; });
        // A snapshot asked for before the program ends is still written: it may be the last
        // word on the day's log.
        if (!m_pending && !m_discard)
            return;
        m_busy = true;
        std::optional<Pending> next = std::move(m_pending);
        m_pending.reset();
        const bool discard = m_discard && !next;
        m_discard = false;
        lock.unlock();

        std::string failure;
        if (next) {
            // The document path first: a log restored with no name is still a log restored.
            failure = document::writeFileAtomically(companionOf(m_file), next->documentPath);
            const std::string why = m_store.writeArray(m_file, next->snapshot);
            if (!why.empty())
                failure = why;
        } else if (discard) {
            std::error_code error;
            fs::remove(m_file, error);
            fs::remove(companionOf(m_file), error);
        }

        lock.lock();
        m_lastError = failure;
        m_busy = false;
        if (!m_pending && !m_discard)
            m_idle.notify_all();
    }
}

std::vector<RecoveryFile::LeftBehind> RecoveryFile::leftBehind(const std::string& directory) {
    std::vector<LeftBehind> found;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path& file = it->path();
        if (file.extension() != ".vlg" || file.filename().string().rfind(kPrefix, 0) != 0)
            continue;
        if (heldByARunningProgram(lockOf(file.string())))
            continue;
        LeftBehind entry;
        entry.file = file.string();
        std::ifstream companion(companionOf(entry.file), std::ios::binary);
        std::getline(companion, entry.documentPath, '\0');
        std::error_code timeError;
        const auto written = fs::last_write_time(file, timeError);
        if (!timeError)
            entry.modified = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::file_clock::to_sys(written).time_since_epoch())
                                 .count();
        found.push_back(std::move(entry));
    }
    std::sort(found.begin(), found.end(),
              [](const LeftBehind& a, const LeftBehind& b) { return a.modified > b.modified; });
    return found;
}

void RecoveryFile::remove(const LeftBehind& found) {
    std::error_code error;
    fs::remove(found.file, error);
    fs::remove(companionOf(found.file), error);
    fs::remove(lockOf(found.file), error);
}
