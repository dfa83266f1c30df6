// Stepping through the log, jumping to a record by its number, and renumbering a record.

#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

namespace {
// The numbers the renumber panel accepts.
constexpr int kLowestNumber = 1;
constexpr int kHighestNumber = 999;
}  // namespace

void vexaLogging3AppDelegate::btnLogNaechstes() {
    LogNaechster();
}

void vexaLogging3AppDelegate::btnLogVorher() {
    if (!logStartArray.hasRecords())
        return;
    LogEditCommentSichern();
    if (logEditPos > 1)
        --logEditPos;
    LogActualWrite();
}

void vexaLogging3AppDelegate::txtEditLogNr() {
    const std::string wanted = outlets.txtEditNr->text();
    // Full screen hides the editor: the number waits there for its return.
    if (fullScreenMode)
        return;
    // While a record plays or the chase leads, the field is locked and the editor is not the
    // user's to move. A number refused goes: left standing, it would pass for the number of
    // the record on show.
    if (playStopFlag == 1 || outlets.chkEditChaseModeVal->isOn()) {
        showRecordNumber();
        return;
    }
    // Numbers are compared as the texts they are: "5" does not find "05". Numbers need not
    // be unique, and the last record carrying the number wins.
    const int target = logNr == 0 || !logStartArray.hasRecords()
                           ? 0
                           : m_searchIndex.findNumber(logStartArray, wanted);
    if (target == 0) {
        showRecordNumber();
        if (!wanted.empty())
            outlets.dialogs->runAlert("No record has the number " + wanted + ".",
                                      "Numbers are looked for as typed: 5 does not find 05.", "OK");
        return;
    }
    // The comments belong to the record shown before the jump.
    LogEditCommentSichern();
    logEditPos = target;
    // The number has done its work: from now on the field shows the number of the record on
    // show, however the editor moves.
    outlets.txtEditNr->setText(wanted);
    LogActualWrite();
}

void vexaLogging3AppDelegate::LogEditGoTo(int record) {
    if (fullScreenMode || !logStartArray.hasRecords() || record < 1 ||
        record > logStartArray.recordCount())
        return;
    // Refused, the editor still tells where it stands, so a view that moved ahead of it
    // moves back.
    if (playStopFlag == 1 || outlets.chkEditChaseModeVal->isOn() || record == logEditPos) {
        outlets.editorPosition->editorShows(logEditPos, logStartArray.recordCount());
        return;
    }
    LogEditCommentSichern();
    logEditPos = record;
    LogActualWrite();
}

void vexaLogging3AppDelegate::followNewTake() {
    const int newest = logStartArray.recordCount();
    // Typing stays with the record it is typed on: the take waits, pointed out, and the take
    // after the typing is closed is followed. Full screen, a playback and the chase keep the
    // editor where it is, as they keep it from the user's own moves.
    if (typingOnShownRecord() || fullScreenMode || playStopFlag == 1 ||
        outlets.chkEditChaseModeVal->isOn()) {
        m_followHeld = m_shownRecord;
        outlets.editorPosition->takeWaits(newest);
        return;
    }
    logEditPos = newest;
    LogActualWrite();
}

void vexaLogging3AppDelegate::btnEditLogNr() {
    if (logNr == 0 || !logStartArray.hasRecords())
        return;
    outlets.txtEditNrChangeVal->setText(
        logStartArray.text(LogList::indexOf(logEditPos, kFieldNumber)));
    m_renumberPos = logEditPos;
    // Blocks until OK (btnEditLogNrOk) or a close of the panel, which changes nothing.
    if (!outlets.panelEditNr->runModal())
        outlets.panelEditNr->orderOut();
    m_renumberPos = 0;
}

void vexaLogging3AppDelegate::btnEditLogNrOk() {
    // The number is stored as typed ("007" stays "007"); its value only decides whether it
    // is taken at all.
    std::string typed = outlets.txtEditNrChangeVal->text();
    const int value = timecode::intValue(typed);
    // The number belongs to the record the user saw when the panel opened, wherever the
    // chase or the player has moved the editor since.
    const int record = m_renumberPos != 0 ? m_renumberPos : logEditPos;
    m_renumberPos = 0;
    if (value >= kLowestNumber && value <= kHighestNumber && record >= 1 &&
        record <= logStartArray.recordCount()) {
        EditStep step(*this, "Renumber Record");
        if (storeValue(LogList::indexOf(record, kFieldNumber), std::move(typed)))
            editChangeFlag = 1;
    }
    outlets.panelEditNr->abortModal();
    outlets.panelEditNr->orderOut();
    LogActualWrite();
}
