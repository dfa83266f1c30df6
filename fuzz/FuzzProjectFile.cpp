// Arbitrary bytes as a project file, opened the way the program opens one: by path, through
// the store, which sends a binary list to libplist and anything else to the streaming XML
// reader. The bytes live in a memory file, so no run touches the disk.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/plist/PropertyListFileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("project", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    for (std::size_t at = 0; at < size;) {
        const ssize_t wrote = ::write(fd, data + at, size - at);
        if (wrote <= 0)
            std::abort();
        at += static_cast<std::size_t>(wrote);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const auto read = platform::plist::PropertyListFileStore().readArray(path);
    // A refusal comes with a reason and no values.
    if (!read.error.empty() && !read.entries.empty())
        std::abort();
    ::close(fd);
    return 0;
}
