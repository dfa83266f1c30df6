#include "platform/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view kMark = ".glimmark-";
constexpr std::string_view kSuffix = ".tmp";

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// ".NAME.glimmark-DIGITS.tmp" as made here, and what earlier versions left: ".glimmark-XXXXXX"
// of an export, ".NAME.vlg.DIGITS.tmp" of a project save.
bool isTemporaryName(std::string_view name) {
    if (name.size() == kMark.size() + 6 && name.starts_with(kMark))
        return true;
    if (!name.starts_with('.') || !name.ends_with(kSuffix))
        return false;
    name.remove_suffix(kSuffix.size());
    const std::size_t mark = name.rfind(kMark);
    if (mark != std::string_view::npos && mark > 0 && allDigits(name.substr(mark + kMark.size())))
        return true;
    const std::size_t dot = name.rfind('.');
    return dot != std::string_view::npos && allDigits(name.substr(dot + 1)) &&
           name.substr(0, dot).ends_with(".vlg");
}

std::string systemReason(int error) {
    return std::strerror(error);
}

}  // namespace

int createTemporaryBeside(const std::string& target, std::string& path) {
    const std::string stem = folderOf(target) + "/." + nameOf(target) + kMark.data();
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + std::to_string(random() % 1000000) + kSuffix.data();
        // O_EXCL: nothing already there is ever written through.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Between the open and the lock a cleaner may take the new file for an abandoned one
        // and remove it; the file is then unlinked, and another name is tried.
        struct stat info {};
        if (::flock(fd, LOCK_EX) != 0) {
            // A file system that keeps no locks cannot tell a leftover either: the file is
            // written unlocked there, and no cleaner removes it.
            if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
                return fd;
        } else if (::fstat(fd, &info) == 0 && info.st_nlink > 0) {
            return fd;
        }
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

void removeAbandonedTemporaries(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!isTemporaryName(name))
            continue;
        // An export of an earlier release gathered its pictures in a ".glimmark-XXXXXX"
        // folder; one that was killed left it, pictures and all, for nobody to remove.
        if (name.size() == kMark.size() + 6 && entry.is_directory(error) && !entry.is_symlink()) {
            std::filesystem::remove_all(entry.path(), error);
            continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A writer holds its lock until its file is renamed or removed; only a file whose lock
        // nobody holds, and which is still the file of that name, is removed.
        struct stat opened {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            ::lstat(entry.path().c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            ::unlink(entry.path().c_str());
        }
        ::close(fd);
    }
}

namespace {

// The file a chain of links ends at, even one not there yet; a path that is no link is itself.
std::string resolveLink(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        char named[4096];
        const ssize_t length = ::readlink(path.c_str(), named, sizeof named - 1);
        if (length < 0)
            return path;
        const std::string next(named, static_cast<std::size_t>(length));
        path = next.starts_with('/') ? next : folderOf(path) + "/" + next;
    }
    return path;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : m_target(resolveLink(target)) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail(int errorNumber) {
    return fail(systemReason(errorNumber));
}

bool AtomicFile::fail(const std::string& reason) {
    if (m_error.empty()) {
        m_reason = reason;
        m_error = "Cannot save " + m_target + ": " + reason;
    }
    discard();
    return false;
}

void AtomicFile::discard() {
    // Removed while still locked, so no cleaner takes it for another writer's leftover.
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool AtomicFile::open(bool clearLeftovers) {
    if (!m_error.empty())
        return false;
    if (m_target.empty() || m_target.back() == '/')
        return fail("No file name");
    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0;
    // Links that lead round in a circle name no file to write through to.
    if (!exists && errno == ELOOP)
        return fail(ELOOP);
    // A pipe or a device would be swapped for a plain file, and whatever reads it lost.
    if (exists && !S_ISREG(old.st_mode))
        return fail(S_ISDIR(old.st_mode) ? systemReason(EISDIR) : "Not a regular file");
    // A file the user made read-only is not replaced behind their back, though the folder
    // allows the rename. The mode bits decide as well as access(): root may write anything,
    // yet a file nobody may write is one its owner means to keep.
    if (exists && ((old.st_mode & 0222) == 0 || ::access(m_target.c_str(), W_OK) != 0))
        return fail(EACCES);
    // A save that was killed left its temporary file behind, as large as the project: it
    // goes now, before this one needs the room.
    if (clearLeftovers)
        removeAbandonedTemporaries(folderOf(m_target));
    m_fd = createTemporaryBeside(m_target, m_tempPath);
    if (m_fd < 0) {
        const int error = errno;
        m_tempPath.clear();
        return fail(error);
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists)
        ::fchmod(m_fd, old.st_mode & 07777);
    return true;
}

bool AtomicFile::write(const char* data, std::size_t size) {
    if (m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFile::commit(Flush flush) {
    if (m_fd < 0)
        return false;
    // A full disk or an I/O error on delayed allocation shows up here, not in write().
    if (flush == Flush::FileAndFolder && ::fsync(m_fd) != 0)
        return fail(errno);
    // Renamed while still locked: a cleaner never sees it unlocked under the temporary name.
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail(errno);
    m_tempPath.clear();
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail(errno);
    if (flush == Flush::FileAndFolder)
        flushFolder(folderOf(m_target));
    return true;
}

std::string AtomicFile::release(Flush flush) {
    if (m_fd < 0)
        return {};
    if ((flush == Flush::FileAndFolder && ::fsync(m_fd) != 0) ||
        ::close(std::exchange(m_fd, -1)) != 0) {
        fail(errno);
        return {};
    }
    return std::exchange(m_tempPath, {});
}

void flushFolder(const std::string& folder) {
    // The new file is whole either way, so a folder that cannot be flushed is no failure.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                bool clearLeftovers) {
    AtomicFile file(path);
    if (file.open(clearLeftovers) && file.write(bytes.data(), bytes.size()) && file.commit())
        return {};
    return file.reason();
}

}  // namespace platform
