// How the interface logs: not at all, by itself, or by hand with the two buttons.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::cmbLogSelect() {
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
    send(messages.sysexLogManualStart);
    outlets.btnLogManualStopVal->setEnabled(true);
}

void vexaLogging3AppDelegate::btnLogManualStop() {
    outlets.btnLogManualStopVal->setEnabled(false);
    send(messages.sysexLogManualStop);
}
