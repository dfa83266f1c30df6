// Chase mode: the editor follows the timecode coming in from the interface.

#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::FindLogToTimecode(std::string_view tc) {
    if (!outlets.chkEditChaseModeVal->isOn() || !logStartArray.hasRecords())
        return;

    // Plain text order is time order for timecodes of equal layout. Start is inclusive and
    // stop exclusive; later records win, so overlapping logs give the newest.
    int inside = 0, open = 0, past = 0;
    const int n = logStartArray.recordCount();
    for (int k = 1; k <= n; ++k) {
        const std::string& start = logStartArray.text(LogList::indexOf(k, kFieldStart));
        const std::string& stop = logStartArray.text(LogList::indexOf(k, kFieldStop));
        if (tc.compare(start) < 0)
            continue;
        if (stop.size() != timecode::kLength)
            open = k;
        else if (tc.compare(stop) < 0)
            inside = k;
        else
            past = k;
    }

    int chosen = inside != 0 ? inside : open;
    if (chosen == 0 && past == 0)
        chosen = 1;  // Before every start: the first record.
    // Between logs, after the last one has ended, the editor keeps what it shows; position 0
    // would be the header, which is not a record.
    if (chosen == 0 || chosen == logEditPos)
        return;
    logEditPos = chosen;
    LogActualWrite();
}
