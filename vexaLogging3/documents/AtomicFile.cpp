#include "documents/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace document {
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
        if (!isTemporaryName(entry.path().filename().string()))
            continue;
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

std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                bool clearLeftovers) {
    if (path.empty() || path.back() == '/')
        return "No file name";
    if (clearLeftovers)
        removeAbandonedTemporaries(folderOf(path));
    std::string temporary;
    const int fd = createTemporaryBeside(path, temporary);
    if (fd < 0)
        return systemReason(errno);

    int error = 0;
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0 && error == 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno != EINTR)
                error = errno;
            continue;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    // Renamed while still locked, so no cleaner ever sees it unlocked under its own name.
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    ::close(fd);
    return error != 0 ? systemReason(error) : std::string();
}

}  // namespace document
