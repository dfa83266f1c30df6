#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "loglist/LogList.h"
#include "platform/PropertyListFiles.h"

// A copy of the unsaved log on disk, kept while the program runs, so that a crash, a kill or
// a power cut costs a few seconds of a shoot day instead of all of it.
//
// Each running program has a file of its own in the folder, named after its process and
// locked for as long as it runs; a file whose lock nobody holds was left behind by a program
// that ended without cleaning up, and is what the next start offers to restore. The file is
// a project file; the path of the document it belongs to is kept in a small file beside it.
//
// Writes run on a thread of their own on a copy of the list (pictures are shared with the
// log, not copied), so the window never waits for the disk.
class RecoveryFile {
public:
    struct LeftBehind {
        std::string file;           // the project file to read
        std::string documentPath;   // the document it belongs to
        std::int64_t modified = 0;  // seconds since the epoch
    };

    RecoveryFile(platform::PropertyListFiles& store, std::string directory);
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile&) = delete;
    RecoveryFile& operator=(const RecoveryFile&) = delete;

    // False when the folder could not be made or the file not claimed: nothing is kept then.
    bool usable() const { return m_lockFd >= 0; }
    const std::string& path() const { return m_file; }

    // Writes the snapshot soon; a newer snapshot replaces one whose write has not begun.
    void save(LogList snapshot, std::string documentPath);
    // Removes the file: the log it held is saved or was given up on purpose.
    void discard();
    // Blocks until every write asked for so far is on disk or has failed.
    void waitUntilIdle();
    // Why the last write failed; empty when it did not.
    std::string lastError();

    // Files of programs no longer running, newest first.
    static std::vector<LeftBehind> leftBehind(const std::string& directory);
    // Removes a file found by leftBehind, with its companion.
    static void remove(const LeftBehind& found);
    // $XDG_STATE_HOME/glimmark, or ~/.local/state/glimmark.
    static std::string defaultDirectory();

private:
    struct Pending {
        LogList snapshot;
        std::string documentPath;
    };
    void run();

    platform::PropertyListFiles& m_store;
    std::string m_directory;
    std::string m_file;
    std::string m_lockFile;
    int m_lockFd = -1;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Pending> m_pending;
    bool m_discard = false;
    bool m_busy = false;
    bool m_stopping = false;
    std::string m_lastError;
    std::thread m_thread;
};
