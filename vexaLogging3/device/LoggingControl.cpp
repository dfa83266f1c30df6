// How the interface logs: not at all, by itself, or by hand with the two buttons.

#include "timecode/TimecodeSources.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::cmbLogSelect() {
    // With another timecode source the choice is the source's, and the interface is left be.
    if (m_timecodeSources->inUse()) {
        m_timecodeSources->chooseLogging(outlets.cmbLogSelectVal->selectedIndex());
        return;
    }
    outlets.btnLogManualVal->setEnabled(false);
    switch (outlets.cmbLogSelectVal->selectedIndex()) {
        case 1:
            send(messages.sysexLogAktivOn);
            break;
        case 2:
            outlets.btnLogManualVal->setEnabled(true);
            send(messages.sysexLogAktivOff);
            break;
        case 0:
            send(messages.sysexLogAktivOff);
            break;
        default:
            return;  // Nothing selected.
    }
    m_chosenLoggingMode = static_cast<std::int8_t>(outlets.cmbLogSelectVal->selectedIndex());
    // Failed-frame logging stays off whatever the mode.
    send(messages.sysexLogFailedFrameOff);
}

void vexaLogging3AppDelegate::btnLogManual() {
    if (m_timecodeSources->inUse()) {
        m_timecodeSources->keyStart();
        return;
    }
    send(messages.sysexLogManualStart);
    outlets.btnLogManualStopVal->setEnabled(true);
}

void vexaLogging3AppDelegate::btnLogManualStop() {
    if (m_timecodeSources->inUse()) {
        m_timecodeSources->keyStop();
        return;
    }
    outlets.btnLogManualStopVal->setEnabled(false);
    send(messages.sysexLogManualStop);
}
