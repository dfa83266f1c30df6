#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "documents/RecoveryJournal.h"
#include "loglist/LogList.h"

// The unsaved log on disk, kept while the program runs, so that a crash, a kill or a power
// cut costs a second or two of a shoot day instead of all of it.
//
// Each running program keeps a journal of its own in the folder and holds a lock (flock) on
// it for as long as it runs; a journal whose lock nobody holds was left behind by a program
// that ended without cleaning up, and is what the next start offers to restore. A journal
// grows with the changes, not with the log: a new take costs its record and its picture,
// once; the journal is rewritten whole only when what it no longer needs outweighs the log.
//
// Writes run on a thread of their own on a copy of the list (the pictures are shared with
// the log, not copied), so the window never waits for the disk.
class RecoveryFile {
public:
    // Called on the writing thread after each write: empty when it reached the disk,
    // otherwise why not, as the system words it.
    using Report = std::function<void(const std::string& failure)>;

    // A journal left behind, locked by this program from the moment it was found, so that no
    // other start offers it meanwhile. Letting it go unlocks it for the next start.
    class LeftBehind {
    public:
        LeftBehind(std::string file, int fd, std::int64_t modified);
        ~LeftBehind();
        LeftBehind(LeftBehind&& other) noexcept;
        LeftBehind& operator=(LeftBehind&& other) noexcept;
        const std::string& file() const { return m_file; }
        // A whole project file that the program's earlier releases kept, with the document's
        // path in a file beside it: read as a project file, not as a journal.
        bool isProjectCopy() const;
        std::string documentPathBeside() const;
        std::int64_t modified() const { return m_modified; }  // seconds since the epoch
        recovery::JournalContents read() const;
        // Renames it aside with ".corrupt" (never removed: it may hold what a person can save
        // by hand) and answers the new name.
        std::string setAside();
        // Given up by the user: renamed aside with ".discarded", of which the newest few are
        // kept, so that a slip of the hand can still be undone by hand.
        void discard();
        void remove();

    private:
        // The new name, with `ending` (and a number when that is taken); empty when it failed.
        std::string renameAside(std::string_view ending);
        std::string m_file;
        int m_fd = -1;
        std::int64_t m_modified = 0;
    };

    RecoveryFile(std::string directory, Report report = {});
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile&) = delete;
    RecoveryFile& operator=(const RecoveryFile&) = delete;

    // False when the folder could not be made or the journal not claimed: nothing is kept.
    bool usable() const { return m_fd >= 0; }
    const std::string& path() const { return m_file; }
    const std::string& directory() const { return m_directory; }

    // Writes the snapshot soon; a newer one replaces one whose write has not begun. With
    // `unsaved` false the log is saved or given up on purpose: nothing is offered for it,
    // and the journal goes when the program ends, while later changes are kept as before.
    void save(LogList snapshot, std::string documentPath, bool unsaved, std::int64_t changed);
    // A journal whose log this program now holds: removed once this one's copy is on disk.
    void replaces(LeftBehind restored);
    // Blocks until every write asked for so far is on disk or has failed.
    void waitUntilIdle();
    // Why the last write failed; empty when it did not.
    std::string lastError();
    // Every byte this journal has handed to the system, for measuring.
    std::uint64_t bytesWritten();

    // The journals of programs no longer running, newest first, each now locked by this one.
    static std::vector<LeftBehind> leftBehind(const std::string& directory);
    // $XDG_STATE_HOME/glimmark, or ~/.local/state/glimmark.
    static std::string defaultDirectory();

private:
    struct Pending {
        LogList snapshot;
        std::string documentPath;
        bool unsaved = true;
        std::int64_t changed = 0;
    };
    void run();
    // 0, or the error number of the write that failed.
    int write(Pending& next);
    bool rewriteWhole();
    // Writes the journal's bytes to `fd`, counting them into `size` and the bytes written.
    recovery::JournalWriter::Sink sinkInto(int fd, std::uint64_t& size);

    std::string m_directory;
    std::string m_file;
    int m_fd = -1;
    Report m_report;
    // Writing thread only.
    recovery::JournalWriter m_journal;
    std::uint64_t m_size = 0;
    bool m_freshFileNeeded = false;
    bool m_unsavedOnDisk = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Pending> m_pending;
    std::vector<LeftBehind> m_replaced;
    // What the last snapshot asked for says, whether or not it reached the disk.
    bool m_unsavedAsked = false;
    bool m_busy = false;
    bool m_stopping = false;
    std::string m_lastError;
    std::uint64_t m_bytesWritten = 0;
    std::thread m_thread;
};
