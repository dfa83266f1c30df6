// Chase mode: the editor follows the timecode coming in from the interface.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::FindLogToTimecode(std::string_view tc) {
    if (!outlets.chkEditChaseModeVal->isOn() || !logStartArray.hasRecords())
        return;

    // Plain text order is time order for timecodes of equal layout. Start is inclusive and
    // stop exclusive; later records win, so overlapping logs give the newest.
    const LogSearchIndex::TimecodeHit hit = m_searchIndex.findTimecode(logStartArray, tc);
    int chosen = hit.inside != 0 ? hit.inside : hit.open;
    if (chosen == 0 && !hit.anyStarted)
        chosen = 1;  // Before every start: the first record.
    // Between logs, after the last one has ended, the editor keeps what it shows; position 0
    // would be the header, which is not a record.
    if (chosen == 0 || chosen == logEditPos)
        return;
    logEditPos = chosen;
    LogActualWrite();
}
