#pragma once

namespace platform {

// What a view of the whole log hears from the LogList, after each change: enough to move
// its rows along without reading the whole list again. Records are numbered as the list
// numbers them, the header being record 0.
class LogListObserver {
public:
    virtual ~LogListObserver() = default;
    virtual void recordsInserted(int first, int count) = 0;
    virtual void recordsRemoved(int first, int count) = 0;
    virtual void valueChanged(int record, int field) = 0;
    // Anything else: the list was emptied or put in place of another.
    virtual void listReset() = 0;
};

// Where the editor stands, for the views that show it beside the log: the record on show
// (0 when none) and how many records the log has.
class RecordPosition {
public:
    virtual ~RecordPosition() = default;
    virtual void editorShows(int record, int recordCount) = 0;
    // A take the editor was not moved to because the user is typing on the record on show:
    // the views point it out without choosing it.
    virtual void takeWaits(int /*record*/) {}
};

}  // namespace platform
