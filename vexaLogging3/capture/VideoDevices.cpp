// Choosing the video device: the device list, starting the chosen device, and its failures.

#include <algorithm>

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::comboBoxWillPopUp() {
    // The live picture stops whenever the list opens, also when it then closes unchosen.
    ++m_videoDevice;
    m_services.video.stop();
    const std::vector<std::string> devices = m_services.video.deviceNames();
    outlets.cmbDevicesVal->removeAllItems();
    outlets.cmbDevicesVal->addItem("None");
    for (const std::string& name : devices) outlets.cmbDevicesVal->addItem(name);
    outlets.cmbDevicesVal->selectItem(0);
    captureActive = 0;
    showCaptureOff();
}

void vexaLogging3AppDelegate::cmbDevices() {
    captureActive = 0;
    ++m_videoDevice;
    m_services.video.stop();
    // Built afresh: the list the user chose from may be older than the devices.
    const std::vector<std::string> devices = m_services.video.deviceNames();
    const int selected = outlets.cmbDevicesVal->selectedIndex();
    const bool listed = selected >= 1 && selected <= static_cast<int>(devices.size());
    // The next start chooses it again, so a restart does not leave the takes without pictures.
    m_chosenVideoDevice = listed ? devices[static_cast<std::size_t>(selected - 1)] : "";
    m_missingVideoDevice.clear();
    // "None", or a device unplugged while the list was open: capture stays off.
    showCaptureOff();
    if (!listed)
        return;

    // Stills come from the new device's first frame on, never from a frame the one before
    // left behind. Nothing delivers frames now: the device before is stopped.
    {
        std::lock_guard lock(m_frameLock);
        mCurrentImageBuffer.reset();
    }
    m_services.video.setPreview(outlets.mCaptureView);
    const platform::VideoStart started = m_services.video.start(
        selected - 1,
        [this](platform::VideoFramePtr frame) {
            captureOutputDidOutputVideoFrame(std::move(frame));
        },
        [this, device = m_videoDevice](std::string why) {
            handOver([this, device, why] { videoDeviceLost(device, why); });
        });
    switch (started.outcome) {
        case platform::VideoStart::kStarted:
            // Running does not mean a picture yet: a capture card without a signal on its
            // input delivers nothing until it gets one. Logs take stills from then on.
            captureActive = 1;
            m_logsWithoutPicture = 0;
            outlets.mCaptureView->showText("waiting for signal");
            showCaptureState();
            break;
        case platform::VideoStart::kDeviceFailed:
            // A device that will not open is left without a word; the list keeps its name.
            break;
        case platform::VideoStart::kOutputFailed:
            m_services.systemLog.write("error3");
            outlets.dialogs->runAlert(started.error, started.detail, "OK");
            break;
    }
}

void vexaLogging3AppDelegate::videoDeviceLost(std::uint64_t device, const std::string& why) {
    if (device != m_videoDevice)
        return;  // That device was let go of already.
    // The last frame stays frozen once a device dies; storing it with new logs would give
    // them a picture of a moment long past. Logs go on without pictures until the user
    // chooses a device again, and the user is told at once.
    ++m_videoDevice;
    captureActive = 0;
    m_services.video.stop();
    outlets.cmbDevicesVal->selectItem(0);
    showCaptureOff();
    m_services.systemLog.write("video input lost: " + why);
    outlets.dialogs->runAlert("The video input has stopped.",
                              why +
                                  "\n\nNew logs are recorded without a picture until a video "
                                  "device is chosen again.",
                              "OK");
}

void vexaLogging3AppDelegate::showCaptureOff() {
    outlets.mCaptureView->showText("No video");
    showCaptureState();
}

void vexaLogging3AppDelegate::countLogPicture(bool stillTaken) {
    if (stillTaken) {
        m_logsWithoutPicture = 0;
    } else {
        ++m_logsWithoutPicture;
        m_lastLogWithoutPicture = outlets.txtLogNr->text();
    }
    showCaptureState();
}

void vexaLogging3AppDelegate::showCaptureState() {
    // Running with a picture is the normal case and needs no words.
    if (captureActive == 1 && m_logsWithoutPicture == 0) {
        outlets.captureStatus->setText("");
        return;
    }
    std::string state = captureActive == 1 ? "No signal" : "Capture off";
    if (captureActive != 1 && !m_missingVideoDevice.empty())
        state += " (\"" + m_missingVideoDevice + "\" not found)";
    if (m_logsWithoutPicture == 0) {
        outlets.captureStatus->setText(state + ": new logs get no picture");
        return;
    }
    outlets.captureStatus->setText(state + ": " + std::to_string(m_logsWithoutPicture) +
                                   (m_logsWithoutPicture == 1 ? " log" : " logs") +
                                   " without a picture, the last " + m_lastLogWithoutPicture);
}

bool vexaLogging3AppDelegate::chooseVideoDevice(std::string_view name) {
    comboBoxWillPopUp();
    const std::vector<std::string> devices = m_services.video.deviceNames();
    const auto found = std::find(devices.begin(), devices.end(), name);
    if (found == devices.end()) {
        m_missingVideoDevice = name;
        showCaptureState();
        return false;
    }
    outlets.cmbDevicesVal->selectItem(static_cast<int>(found - devices.begin()) + 1);
    cmbDevices();
    return captureActive == 1;
}
