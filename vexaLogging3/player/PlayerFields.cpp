// The player's side of the editor: locking the fields while a record plays, and telling the
// interface when to react.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::FelderPlayerOn() {
    // Typed text that the locked fields could no longer take is stored first.
    storeTypedText(true);
    showPlayerLocks(true);
}

void vexaLogging3AppDelegate::FelderPlayerOff() {
    // Unlocked only when nothing else holds the editor: a playback that runs on after the
    // chase went off, or a chase that outlives the playback's stop time.
    showPlayerLocks(playStopFlag != 0 || outlets.chkEditChaseModeVal->isOn());
}

void vexaLogging3AppDelegate::showPlayerLocks(bool locked) {
    for (platform::Button* b : {outlets.btnLogNaechstesVal, outlets.btnMenuEditNextVal,
                                outlets.btnLogVorherVal, outlets.btnMenuEditPreviousVal})
        b->setEnabled(!locked);
    const bool typing = !locked && outlets.chkEditModeVal->isOn();
    for (platform::TextField* f : {outlets.txtEditComment1, outlets.txtEditComment2,
                                   outlets.txtEditStart, outlets.txtEditStop})
        f->setEditable(typing);
    // A number typed and not confirmed can no longer be: the field shows the record's own.
    if (locked && outlets.txtEditNr->isEdited())
        showRecordNumber();
    outlets.txtEditNr->setEditable(!locked);
    outlets.btnEditPlayVal->setTitle(locked ? "Stop" : "Play");
}

void vexaLogging3AppDelegate::NextStopOrVglwSend() {
    const std::string stop = outlets.txtEditStop->text();
    if (!stop.empty()) {
        MessageSet::patchPlayerTime(messages.sysexSendStoptime, stop);
        send(messages.sysexSendStoptime);
        return;
    }
    // A record without a stop plays on until the next record's start.
    const int next = logEditPos + 1;
    if (next > logStartArray.recordCount())
        return;
    const std::string nextStart = logStartArray.text(LogList::indexOf(next, kFieldStart));
    if (nextStart.empty())
        return;
    MessageSet::patchPlayerTime(messages.sysexSendVergltime, nextStart);
    send(messages.sysexSendVergltime);
}
