#include "platform/plist/PropertyListFileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/files/AtomicFile.h"
#include "platform/plist/BinaryPlistReader.h"
#include "platform/plist/XmlPlistReader.h"
#include "platform/plist/XmlPlistWriter.h"

namespace platform::plist {

namespace {

std::string write(const std::string& path, const ArraySource& values,
                  const PropertyListFiles::Progress& progress) {
    AtomicFile file(path);
    try {
        if (file.open() && writeXmlPropertyList(file, values, progress) && file.commit()) {
            if (progress)
                progress(1.0);
            return "";
        }
    } catch (const std::bad_alloc&) {
        return "Cannot save " + path + ": not enough memory";
    }
    return file.error();
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

std::string PropertyListFileStore::writeArray(const std::string& path, const LogList& list,
                                              const Progress& progress) {
    return write(path, LogListSource(list), progress);
}

std::string PropertyListFileStore::writeValues(const std::string& path,
                                               const std::vector<LogValue>& values,
                                               const Progress& progress) {
    return write(path, ValuesSource(values), progress);
}

PropertyListFiles::ReadResult PropertyListFileStore::readArray(const std::string& path,
                                                               const Progress& progress) {
    ReadResult result;
    const std::string prefix = "Cannot open " + path + ": ";
    // Not blocking on the open: a pipe with no writer would wait forever, before fstat could
    // tell that it is no file. A pipe or a device is refused at once: its size is unknown
    // and it may never end.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        result.error = prefix + std::strerror(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = prefix + (S_ISDIR(info.st_mode) ? std::strerror(EISDIR)
                                                       : "a pipe or a device, not a regular file");
        return result;
    }
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    char magic[8] = {};
    const ssize_t got = ::pread(file.get(), magic, sizeof magic, 0);
    try {
        ArrayRead read;
        if (got == sizeof magic && isBinaryPropertyList(magic, sizeof magic)) {
            // Binary lists are parsed from memory: their offset table sits at the end.
            if (static_cast<unsigned long long>(info.st_size) > kMaxValueBytes * 4) {
                result.error = prefix + "a binary property list larger than 4 GiB cannot be read";
                return result;
            }
            std::vector<char> bytes(static_cast<std::size_t>(info.st_size));
            std::size_t at = 0;
            while (at < bytes.size()) {
                const ssize_t part = ::pread(file.get(), bytes.data() + at, bytes.size() - at,
                                             static_cast<off_t>(at));
                if (part < 0 && errno == EINTR)
                    continue;
                if (part <= 0) {
                    result.error = prefix + (part < 0 ? std::strerror(errno) : "it is cut short");
                    return result;
                }
                at += static_cast<std::size_t>(part);
            }
            read = readBinaryPropertyList(bytes, path);
        } else {
            read = readXmlPropertyList(file.get(), path, info.st_size, progress);
        }
        result.entries = std::move(read.entries);
        result.error = std::move(read.error);
    } catch (const std::bad_alloc&) {
        result.entries.clear();
        result.error = prefix + "not enough memory to hold it";
    }
    if (result.error.empty() && progress)
        progress(1.0);
    return result;
}

}  // namespace platform::plist
