#include "documents/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace document {
namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string systemReason(int error) {
    return std::strerror(error);
}

}  // namespace

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty() || path.back() == '/')
        return "No file name";
    std::string pattern = folderOf(path) + "/.glimmark-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return systemReason(errno);
    const std::string temporary(name.data());

    // mkstemp makes the file for its owner only; the file takes the usual permissions instead.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

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
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return systemReason(error);
    }
    return {};
}

}  // namespace document
