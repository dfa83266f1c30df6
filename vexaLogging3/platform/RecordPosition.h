#pragma once

namespace platform {

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
