#include "platform/plist/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string_view>

namespace platform::plist {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A link to a project file stays a link: the file it points to is the one replaced.
std::string resolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

// "." + name + "." + digits + ".tmp": the temporary files made for `name`.
std::string temporaryPrefix(const std::string& target) {
    return "." + nameOf(target) + ".";
}

bool isTemporaryOf(const std::string& candidate, const std::string& prefix) {
    constexpr std::string_view kSuffix = ".tmp";
    if (candidate.size() <= prefix.size() + kSuffix.size() || candidate.rfind(prefix, 0) != 0 ||
        candidate.compare(candidate.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
        return false;
    }
    for (std::size_t i = prefix.size(); i < candidate.size() - kSuffix.size(); ++i) {
        if (candidate[i] < '0' || candidate[i] > '9')
            return false;
    }
    return true;
}

// A save that was killed leaves its temporary file behind, as large as the project. The next
// save of the same file removes such leftovers once they are old enough that no other save
// can still be writing them.
void removeLeftovers(const std::string& target) {
    constexpr std::time_t kOldEnough = 10 * 60;
    const std::string prefix = temporaryPrefix(target);
    const std::time_t now = std::time(nullptr);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folderOf(target), error)) {
        const std::string name = entry.path().filename().string();
        struct stat info {};
        if (isTemporaryOf(name, prefix) && ::lstat(entry.path().c_str(), &info) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime > kOldEnough) {
            ::unlink(entry.path().c_str());
        }
    }
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : m_target(resolveLink(target)) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail(int errorNumber) {
    if (m_error.empty()) {
        m_error = "Cannot save " + m_target + ": " + std::strerror(errorNumber);
    }
    discard();
    return false;
}

void AtomicFile::discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

bool AtomicFile::open() {
    if (!m_error.empty())
        return false;
    // A file the user made read-only is not replaced behind their back, though the folder
    // would allow the rename.
    if (::access(m_target.c_str(), F_OK) == 0 && ::access(m_target.c_str(), W_OK) != 0)
        return fail(errno);
    // A hidden name beside the target, so the rename stays within one file system; created
    // with O_EXCL so that nothing already there is ever written through.
    const std::string stem = folderOf(m_target) + "/" + temporaryPrefix(m_target);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tempPath = stem + std::to_string(random() % 1000000) + ".tmp";
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            break;
        if (errno != EEXIST) {
            const int error = errno;
            m_tempPath.clear();
            return fail(error);
        }
    }
    if (m_fd < 0) {
        m_tempPath.clear();
        return fail(EEXIST);
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0)
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

bool AtomicFile::commit() {
    if (m_fd < 0)
        return false;
    // A full disk or an I/O error on delayed allocation shows up here, not in write().
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail(errno);
    m_tempPath.clear();
    // The rename itself is on disk only once the folder is flushed. The new file is whole
    // either way, so a folder that cannot be flushed is no failure of the save.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    removeLeftovers(m_target);
    return true;
}

}  // namespace platform::plist
