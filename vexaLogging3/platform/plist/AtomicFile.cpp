#include "platform/plist/AtomicFile.h"

#include "documents/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

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
    // Removed while still locked, so no cleaner takes it for another writer's leftover.
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool AtomicFile::open() {
    if (!m_error.empty())
        return false;
    // A file the user made read-only is not replaced behind their back, though the folder
    // would allow the rename.
    if (::access(m_target.c_str(), F_OK) == 0 && ::access(m_target.c_str(), W_OK) != 0)
        return fail(errno);
    // A hidden name beside the target, so the rename stays within one file system. A save
    // that was killed left its temporary file behind, as large as the project: it goes now.
    document::removeAbandonedTemporaries(folderOf(m_target));
    m_fd = document::createTemporaryBeside(m_target, m_tempPath);
    if (m_fd < 0) {
        const int error = errno;
        m_tempPath.clear();
        return fail(error);
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
    // Renamed while still locked: a cleaner never sees it unlocked under the temporary name.
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail(errno);
    m_tempPath.clear();
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail(errno);
    // The rename itself is on disk only once the folder is flushed. The new file is whole
    // either way, so a folder that cannot be flushed is no failure of the save.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace platform::plist
