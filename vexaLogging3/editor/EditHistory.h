#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "loglist/LogList.h"

// The user's own changes to the log, step by step, for undo and redo. A shoot-day log is
// edited under pressure: one wrong Delete must not cost a record.
//
// Each step keeps only what it changed (the values it replaced, the records it inserted or
// removed), never a copy of the whole log, so a log of big pictures costs the history no more
// than the pictures the user touched. Steps name records by position. That stays true while
// the device appends records, since they go in at the end; a log replaced as a whole (New,
// Open) must clear the history.
class EditHistory {
public:
    // Where the editor stood, the running log number and the player's rate, around a step.
    struct Place {
        std::int32_t logEditPos = 1;
        std::int32_t logNr = 0;
        std::uint8_t frameRate = 0x20;
    };

    // The changes made through this history between begin() and commit() are one step,
    // named for the undo menu ("Delete Record"). A begin() inside an open step joins it.
    void begin(std::string name, Place before);
    // A step that changed nothing is dropped; a new step drops whatever could be redone.
    void commit(Place after);

    // Change `list` and note the change in the open step; without an open step the change
    // is made but not kept. Answer as the list does: false, and nothing noted, for a place
    // the list does not have.
    bool replace(LogList& list, std::size_t index, LogValue value);
    bool insertRecord(LogList& list, int record, LogRecord values, LogList::RecordKey key = 0);
    bool removeRecord(LogList& list, int record);

    // A step taken back or made again: the places around it, in the direction taken.
    struct Move {
        Place from;
        Place to;
    };
    // Takes the last step back (or makes the last undone step again). Nothing when there is
    // no such step; also when the log no longer has room for it, and then the whole history
    // is dropped rather than let it change the wrong values.
    std::optional<Move> undo(LogList& list);
    std::optional<Move> redo(LogList& list);

    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // The name of the step undo or redo would take; "" when there is none.
    std::string undoName() const;
    std::string redoName() const;
    void clear();

    // The oldest steps are forgotten beyond this many.
    static constexpr std::size_t kMaxSteps = 100;

private:
    struct Change {
        enum class Kind { Replace, Insert, Remove };
        Kind kind;
        // Replace: the value's index in the list. Insert, Remove: the record.
        std::size_t at;
        LogValue before;
        LogValue after;
        LogRecord record;
        // Insert, Remove: the record's key, which it keeps through undo and redo, so that a
        // take's stop or a still under way still finds a record brought back.
        LogList::RecordKey key = 0;
    };
    struct Step {
        std::string name;
        Place before;
        Place after;
        std::vector<Change> changes;
    };

    static bool fits(const LogList& list, const Step& step, bool backwards);
    static void apply(LogList& list, const Change& change, bool backwards);

    std::deque<Step> m_done;
    std::vector<Step> m_undone;
    std::optional<Step> m_open;
    int m_depth = 0;
};
