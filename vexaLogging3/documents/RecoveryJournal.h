#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "loglist/LogList.h"

// The bytes of a recovery journal: a log kept on disk in proportion to its changes.
//
// The file starts with a mark line; then come entries, each its length, a CRC-32 of its
// payload and the payload: a picture (once, under a number), a record under its key (texts,
// and pictures by number), the order of the records' keys, the document path, and a commit
// that closes a batch. A reader takes the state at the last commit; a batch cut short by a
// kill, and a torn or garbled entry with everything after it, is dropped, never what came
// before it.
namespace recovery {

inline constexpr std::string_view kJournalMark = "Glimmark recovery journal 1\n";

// Writes batches that bring the journal from the last list it wrote to the next one.
class JournalWriter {
public:
    // Where the bytes go, in order; false when they could not be written. Called last with
    // no bytes: everything given so far must then reach the disk.
    using Sink = std::function<bool(std::string_view bytes)>;

    // The next batch: whatever changed since the last batch that reached the disk, closed by
    // a commit. `unsaved` false says that nothing needs restoring at this point. A batch that
    // failed leaves the writer where it was: the next one carries its changes again.
    bool writeChanges(LogList list, const std::string& documentPath, bool unsaved,
                      std::int64_t changed, const Sink& sink);
    // The mark line and the whole of the last list written, for a fresh file.
    bool writeWhole(const Sink& sink);
    // The bytes a fresh file would take now, each picture counted once.
    std::uint64_t liveBytes() const { return m_written.bytes; }

private:
    struct State {
        LogList list;  // keeps the pictures alive, so that their addresses name them
        std::unordered_map<LogList::RecordKey, int> places;
        std::unordered_map<const Picture*, std::uint64_t> pictures;
        std::string documentPath;
        std::uint64_t bytes = 0;
    };
    bool write(const State& from, LogList list, const std::string& documentPath, bool unsaved,
               std::int64_t changed, std::string prefix, const Sink& sink);

    State m_written;
    bool m_unsaved = false;
    std::int64_t m_changed = 0;
    std::uint64_t m_nextPicture = 1;
};

struct JournalContents {
    // False when the file is no journal, or its entries do not make a log.
    bool readable = false;
    std::string error;
    // False when the log at the last commit was saved or given up: nothing to restore.
    bool unsaved = false;
    std::vector<LogValue> entries;
    std::string documentPath;
    std::int64_t changed = 0;  // seconds since the epoch
};

JournalContents readJournal(std::istream& in);

}  // namespace recovery
