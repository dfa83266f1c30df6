#pragma once

#include <cstddef>
#include <string>

namespace platform::plist {

// Replaces a file so that a crash, a kill or a full disk never leaves it half written: the
// bytes go to a new file in the same folder, which is flushed to disk and then renamed over
// the target in one step. Until commit() succeeds the old file is untouched; a writer that
// is destroyed uncommitted removes its temporary file.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each step answers false after a failure and leaves the reason in error(); later
    // steps then do nothing.
    bool open();
    bool write(const char* data, std::size_t size);
    bool commit();

    // "Cannot save PATH: REASON", for a message to the user.
    const std::string& error() const { return m_error; }
    const std::string& temporaryPath() const { return m_tempPath; }

private:
    bool fail(int errorNumber);
    void discard();

    std::string m_target;
    std::string m_tempPath;
    std::string m_error;
    int m_fd = -1;
};

}  // namespace platform::plist
