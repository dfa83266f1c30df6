// The player's side of the editor: locking the fields while a record plays, and telling the
// interface when to react.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::FelderPlayerOn() {
    for (platform::Button* b : {outlets.btnLogNaechstesVal, outlets.btnMenuEditNextVal,
                                outlets.btnLogVorherVal, outlets.btnMenuEditPreviousVal})
        b->setEnabled(false);
    for (platform::TextField* f : {outlets.txtEditComment1, outlets.txtEditComment2,
                                   outlets.txtEditNr, outlets.txtEditStart, outlets.txtEditStop})
        f->setEditable(false);
    outlets.btnEditPlayVal->setTitle("Stop");
}

void vexaLogging3AppDelegate::FelderPlayerOff() {
    for (platform::Button* b : {outlets.btnLogNaechstesVal, outlets.btnMenuEditNextVal,
                                outlets.btnLogVorherVal, outlets.btnMenuEditPreviousVal})
        b->setEnabled(true);
    if (outlets.chkEditModeVal->isOn()) {
        for (platform::TextField* f : {outlets.txtEditComment1, outlets.txtEditComment2,
                                       outlets.txtEditStart, outlets.txtEditStop})
            f->setEditable(true);
    }
    outlets.txtEditNr->setEditable(true);
    outlets.btnEditPlayVal->setTitle("Play");
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
