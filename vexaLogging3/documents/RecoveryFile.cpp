#include "documents/RecoveryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kExtension = ".journal";
// The name a journal is rewritten under before it replaces the old one.
constexpr std::string_view kRewriting = ".journal-new";
// What a journal may carry beyond the log before it is rewritten whole: a day of takes and
// edits on a long log, while the rewrite of a log of a few hundred megabytes stays rare.
constexpr std::uint64_t kSlack = 64u << 20;
constexpr std::string_view kCorrupt = ".corrupt";
constexpr std::string_view kDiscarded = ".discarded";
// How many logs given up with Discard are kept aside.
constexpr std::size_t kDiscardedKept = 3;

bool isNamed(const std::string& name, std::string_view ending) {
    return name.starts_with(kPrefix) && name.ends_with(ending);
}

// Earlier releases kept the unsaved log as a whole project file, its document's path and its
// lock in files beside it. A log they left behind is still offered.
constexpr std::string_view kProjectCopy = ".vlg";

fs::path besideCopy(const std::string& file, const char* extension) {
    return fs::path(file).replace_extension(extension);
}

bool lockedByARunningProgram(const fs::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// A new file under `path`, locked before anyone can take it for a left-behind one: a start
// that locked it first in the moment after its creation finds it without content and removes
// it, and the link count says so here.
int createLocked(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink > 0)
        return fd;
    ::close(fd);
    errno = EEXIST;
    return -1;
}

// The lock of a file whose program has ended, however it ended; -1 while its program runs,
// or when the name no longer leads to the file locked.
int lockIfLeftBehind(const fs::path& file, std::int64_t& modified) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat opened {
    }, named{};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(file.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino && opened.st_nlink > 0) {
        modified = opened.st_mtime;
        return fd;
    }
    ::close(fd);
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

// ---- A journal left behind ----

RecoveryFile::LeftBehind::LeftBehind(std::string file, int fd, std::int64_t modified)
    : m_file(std::move(file)), m_fd(fd), m_modified(modified) {}

RecoveryFile::LeftBehind::~LeftBehind() {
    if (m_fd >= 0)
        ::close(m_fd);
}

RecoveryFile::LeftBehind::LeftBehind(LeftBehind&& other) noexcept
    : m_file(std::move(other.m_file)),
      m_fd(std::exchange(other.m_fd, -1)),
      m_modified(other.m_modified) {}

RecoveryFile::LeftBehind& RecoveryFile::LeftBehind::operator=(LeftBehind&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_file = std::move(other.m_file);
        m_fd = std::exchange(other.m_fd, -1);
        m_modified = other.m_modified;
    }
    return *this;
}

recovery::JournalContents RecoveryFile::LeftBehind::read() const {
    std::ifstream in(m_file, std::ios::binary);
    if (!in) {
        recovery::JournalContents contents;
        contents.error = std::strerror(errno);
        return contents;
    }
    return recovery::readJournal(in);
}

std::string RecoveryFile::LeftBehind::setAside() {
    return renameAside(kCorrupt);
}

std::string RecoveryFile::LeftBehind::renameAside(std::string_view ending) {
    const std::string first = m_file + std::string(ending);
    std::string aside = first;
    std::error_code error;
    for (int n = 2; fs::exists(aside, error) && n < 1000; ++n)
        aside = first + "-" + std::to_string(n);
    if (::rename(m_file.c_str(), aside.c_str()) != 0)
        return {};
    return aside;
}

void RecoveryFile::LeftBehind::discard() {
    if (m_fd < 0 || renameAside(kDiscarded).empty())
        return;
    if (isProjectCopy()) {
        ::unlink(besideCopy(m_file, ".path").c_str());
        ::unlink(besideCopy(m_file, ".lock").c_str());
    }
    // The newest few stay, by their last change; the older go, so the folder does not fill up
    // over a season of shoot days.
    std::vector<std::pair<fs::file_time_type, fs::path>> discarded;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(m_file).parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(kPrefix) && name.find(kDiscarded) != std::string::npos)
            discarded.emplace_back(fs::last_write_time(it->path(), error), it->path());
    }
    std::sort(discarded.begin(), discarded.end(), std::greater<>());
    for (std::size_t i = kDiscardedKept; i < discarded.size(); ++i)
        fs::remove(discarded[i].second, error);
}

void RecoveryFile::LeftBehind::remove() {
    // Removed while still locked: no other start reads it half gone.
    if (m_fd < 0)
        return;
    ::unlink(m_file.c_str());
    if (isProjectCopy()) {
        ::unlink(besideCopy(m_file, ".path").c_str());
        ::unlink(besideCopy(m_file, ".lock").c_str());
    }
}

bool RecoveryFile::LeftBehind::isProjectCopy() const {
    return m_file.ends_with(kProjectCopy);
}

std::string RecoveryFile::LeftBehind::documentPathBeside() const {
    std::string path;
    std::ifstream companion(besideCopy(m_file, ".path"), std::ios::binary);
    std::getline(companion, path, '\0');
    return path;
}

// ---- This program's journal ----

std::string RecoveryFile::defaultDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return (fs::path(state) / "glimmark").string();
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return (fs::path(home) / ".local" / "state" / "glimmark").string();
    return {};
}

RecoveryFile::RecoveryFile(std::string directory, Report report)
    : m_directory(std::move(directory)), m_report(std::move(report)) {
    std::error_code error;
    if (m_directory.empty() || (fs::create_directories(m_directory, error), error))
        return;
    // The process number makes the name easy to match with a program; a journal of an earlier
    // program of the same number is not this one's to write into: it waits to be restored.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::string name = std::string(kPrefix) + std::to_string(::getpid());
        if (attempt > 0)
            name += "-" + std::to_string(attempt);
        const std::string file = (fs::path(m_directory) / name).string() + kExtension.data();
        m_fd = createLocked(file);
        if (m_fd < 0 && errno != EEXIST)
            return;
        if (m_fd >= 0)
            m_file = file;
    }
    if (m_fd < 0)
        return;
    m_freshFileNeeded = !writeAll(m_fd, recovery::kJournalMark);
    m_size = m_freshFileNeeded ? 0 : recovery::kJournalMark.size();
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
    if (m_fd < 0)
        return;
    // Saved, given up or never changed: nothing is left to restore, even when the journal
    // could not be told so.
    if (!m_unsavedOnDisk || !m_unsavedAsked)
        ::unlink(m_file.c_str());
    ::close(m_fd);
}

void RecoveryFile::save(LogList snapshot, std::string documentPath, bool unsaved,
                        std::int64_t changed) {
    if (!usable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending = Pending{std::move(snapshot), std::move(documentPath), unsaved, changed};
        m_unsavedAsked = unsaved;
    }
    m_wake.notify_one();
}

void RecoveryFile::replaces(LeftBehind restored) {
    std::lock_guard lock(m_mutex);
    m_replaced.push_back(std::move(restored));
}

void RecoveryFile::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_busy; });
}

std::string RecoveryFile::lastError() {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

std::uint64_t RecoveryFile::bytesWritten() {
    std::lock_guard lock(m_mutex);
    return m_bytesWritten;
}

void RecoveryFile::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_pending; });
        // A snapshot asked for before the program ends is still written: it may be the last
        // word on the day's log.
        if (!m_pending)
            return;
        m_busy = true;
        Pending next = std::move(*m_pending);
        m_pending.reset();
        lock.unlock();

        const int error = write(next);
        const bool written = error == 0;
        std::string failure = written ? std::string() : std::strerror(error);
        std::vector<LeftBehind> replaced;
        lock.lock();
        if (written)
            replaced.swap(m_replaced);
        m_lastError = failure;
        lock.unlock();
        for (LeftBehind& old : replaced) old.remove();
        replaced.clear();
        if (m_report)
            m_report(failure);
        lock.lock();
        m_busy = false;
        if (!m_pending)
            m_idle.notify_all();
    }
}

int RecoveryFile::write(Pending& next) {
    if (m_freshFileNeeded && !rewriteWhole())
        return errno != 0 ? errno : EIO;
    const std::uint64_t before = m_size;
    const bool written = m_journal.writeChanges(
        std::move(next.snapshot), next.documentPath, next.unsaved, next.changed,
        sinkInto(m_fd, m_size));
    if (!written) {
        // The half-written batch goes, so the next one follows the last whole one; a file that
        // cannot be cut back is written afresh.
        const int error = errno != 0 ? errno : EIO;
        m_size = before;
        m_freshFileNeeded = ::ftruncate(m_fd, static_cast<off_t>(before)) != 0;
        return error;
    }
    m_unsavedOnDisk = next.unsaved;
    if (m_size > 2 * m_journal.liveBytes() + kSlack)
        rewriteWhole();
    return 0;
}

recovery::JournalWriter::Sink RecoveryFile::sinkInto(int fd, std::uint64_t& size) {
    return [this, fd, &size](std::string_view bytes) {
        const bool whole = bytes.empty() ? ::fdatasync(fd) == 0 : writeAll(fd, bytes);
        const int error = whole ? 0 : errno;
        {
            std::lock_guard lock(m_mutex);
            m_bytesWritten += bytes.size();
        }
        size += bytes.size();
        errno = error;
        return whole;
    };
}

bool RecoveryFile::rewriteWhole() {
    const std::string fresh =
        m_file.substr(0, m_file.size() - kExtension.size()) + kRewriting.data();
    ::unlink(fresh.c_str());
    const int fd = createLocked(fresh);
    if (fd < 0)
        return false;
    std::uint64_t size = 0;
    const bool written = m_journal.writeWhole(sinkInto(fd, size));
    // Renamed while locked, so that the name always leads to a locked journal.
    if (!written || ::rename(fresh.c_str(), m_file.c_str()) != 0) {
        const int error = errno;
        ::unlink(fresh.c_str());
        ::close(fd);
        errno = error;
        return false;
    }
    ::close(std::exchange(m_fd, fd));
    m_size = size;
    m_freshFileNeeded = false;
    return true;
}

std::vector<RecoveryFile::LeftBehind> RecoveryFile::leftBehind(const std::string& directory) {
    std::vector<LeftBehind> found;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path& file = it->path();
        const std::string name = file.filename().string();
        const bool journal = isNamed(name, kExtension);
        const bool projectCopy = isNamed(name, kProjectCopy);
        if (!journal && !projectCopy && !isNamed(name, kRewriting))
            continue;
        if (projectCopy && lockedByARunningProgram(besideCopy(file.string(), ".lock")))
            continue;
        std::int64_t modified = 0;
        const int fd = lockIfLeftBehind(file, modified);
        if (fd < 0)
            continue;
        LeftBehind entry(file.string(), fd, modified);
        // A rewrite that a kill cut short: the journal it was to replace is still whole.
        if (!journal && !projectCopy) {
            entry.remove();
            continue;
        }
        found.push_back(std::move(entry));
    }
    std::stable_sort(found.begin(), found.end(), [](const LeftBehind& a, const LeftBehind& b) {
        return a.modified() > b.modified();
    });
    return found;
}
