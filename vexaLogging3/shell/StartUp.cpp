// Start-up: the program-wide state, the device timer and the windows as the user first sees
// them.

#include <chrono>

#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {
constexpr std::chrono::milliseconds kDeviceScanInterval{2000};
}  // namespace

void vexaLogging3AppDelegate::awakeFromNib() {
    // The capture session is the video system the front end handed in: it exists already,
    // with no device chosen, so records are logged without a picture until one is.
    myGlobalController.store(this);
    fullScreenMode = 0;

    // Play needs the interface; the connection enables it once the interface answers.
    outlets.btnEditPlayVal->setEnabled(false);
    // The interface is looked for at once, not two seconds after the windows appear.
    m_services.timers.startRepeating(kDeviceScanInterval, [this] { timer2Callback(); });
    timer2Callback();

    logStartArray.clear();
    LogStartArrayInit();
    logEditArrayPuffer.clear();
    LogEditInit();
    setPathString("Untitled");
    editChangeFlag.show();
    imgBufferArray.clear();
    captureActive = 0;
    showCaptureOff();
    mmcFpsAddWert = 32;

    outlets.btnLogManualVal->setEnabled(false);
    outlets.btnLogManualStopVal->setEnabled(false);
    outlets.cmbLogSelectVal->selectItem(0);
    outlets.cmbDevicesVal->addItem("Select Video Device");
    outlets.cmbDevicesVal->selectItem(0);

    // The editor is what the user works in: it ends in front.
    outlets.windowRec->makeKeyAndOrderFront();
    outlets.windowEdit->makeKeyAndOrderFront();
    setWindowTitles();
    outlets.panelEditNr->orderOut();

    // Comments and times are changed only in edit mode.
    for (platform::TextField* field : {outlets.txtEditComment1, outlets.txtEditComment2,
                                       outlets.txtEditStart, outlets.txtEditStop})
        field->setEditable(false);

    imgEditKopie = outlets.imgEdit;
    fullScreenMode = 0;
    startRecovery();
}

void vexaLogging3AppDelegate::setWindowTitles() {
    const std::string name = document::displayName(pathString);
    outlets.windowRec->setTitle("Glimmark Capture Tool - " + name);
    outlets.windowEdit->setTitle("Glimmark Editor - " + name);
}
