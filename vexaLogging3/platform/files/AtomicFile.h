#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Replaces a file so that a crash, a kill or a full disk never leaves it half written: the
// bytes go to a new hidden file in the same folder, which reaches the disk (fsync) and is then
// renamed over the target in one step, and the folder is flushed so that the rename lasts.
// Until commit() succeeds the old file is untouched, byte for byte; a writer destroyed
// uncommitted removes its temporary file. A target that is a symbolic link stays a link: the
// file it names is the one replaced. A file the user made read-only is refused, not replaced.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each step answers false after a failure and leaves the reason in error(); later steps
    // then do nothing. `clearLeftovers` false: the caller cleared the folder already.
    bool open(bool clearLeftovers = true);
    bool write(const char* data, std::size_t size);
    // What commit() flushes. The caller of Flush::Nothing has brought the file to the disk
    // itself (syncfs over many files at once) and flushes the folder after its last rename.
    enum class Flush { FileAndFolder, Nothing };
    bool commit(Flush flush = Flush::FileAndFolder);
    // Ends the writing without the rename: answers the closed file's path, no longer this
    // writer's to remove, for the caller to rename over target() or remove; "" after a
    // failure. Unlocked from then on: the caller must not clear the folder's leftovers meanwhile.
    std::string release(Flush flush = Flush::FileAndFolder);
    int descriptor() const { return m_fd; }

    // "Cannot save PATH: REASON", for a message to the user; reason() is REASON alone.
    const std::string& error() const { return m_error; }
    const std::string& reason() const { return m_reason; }
    const std::string& temporaryPath() const { return m_tempPath; }
    // The file replaced: the target, or the file its link names.
    const std::string& target() const { return m_target; }

private:
    bool fail(int errorNumber);
    bool fail(const std::string& reason);
    void discard();

    std::string m_target;
    std::string m_tempPath;
    std::string m_error;
    std::string m_reason;
    int m_fd = -1;
};

// Writes `bytes` to `path` with an AtomicFile. Answers the empty string on success, otherwise
// the reason, as the system words it.
std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                bool clearLeftovers = true);

// Flushes a folder, so that the renames made in it survive a power cut.
void flushFolder(const std::string& folder);

// A new hidden file beside `target`, for writing the target's next contents, locked (flock)
// by this program for as long as the descriptor is open: a save or export that is killed
// leaves it behind unlocked, which is how a later one tells it from one still being written.
// Answers the descriptor and sets `path`, or -1 with errno set.
int createTemporaryBeside(const std::string& target, std::string& path);

// Removes the temporary files in `folder` whose writer no longer runs, whatever their age.
void removeAbandonedTemporaries(const std::string& folder);

}  // namespace platform
