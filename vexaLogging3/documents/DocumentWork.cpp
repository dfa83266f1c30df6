// Document operations that read the LogList off the main thread, and the device events that
// wait for them.

#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::handOver(std::function<void()> work) {
    m_services.mainThread.post([this, work = std::move(work)]() mutable {
        // Held events run when the hold ends, before anything posted after them.
        if (m_documentBusy)
            m_heldEvents.push_back({std::move(work)});
        else
            work();
    });
}

void vexaLogging3AppDelegate::handOverRunningTimecode(int hours, int minutes, int seconds,
                                                      int frames, int rate, bool fromSource) {
    // Two timecodes on one status line would flicker between them; the chosen one is shown.
    if (fromSource != m_timecodeFromSource.load())
        return;
    m_services.mainThread.post([this, hours, minutes, seconds, frames, rate] {
        if (!m_documentBusy) {
            showRunningTimecode(hours, minutes, seconds, frames, rate);
            return;
        }
        // A question left open does not stop the machine: the capture window keeps showing
        // where it is. The chase, which moves the editor the question may be about, waits,
        // and only its latest step matters, so a question left open for an hour does not pile
        // up an hour of steps to replay behind the answer.
        outlets.statusText->setText(
            withRecoveryNotice(timecode::formatStatusLine(hours, minutes, seconds, frames)));
        HeldEvent step{[this, hours, minutes, seconds, frames, rate] {
                           showRunningTimecode(hours, minutes, seconds, frames, rate);
                       },
                       true};
        if (!m_heldEvents.empty() && m_heldEvents.back().runningTimecode)
            m_heldEvents.back() = std::move(step);
        else
            m_heldEvents.push_back(std::move(step));
    });
}

vexaLogging3AppDelegate::DeviceEventHold::DeviceEventHold(vexaLogging3AppDelegate& c)
    : controller(c), controllerAlive(c.m_alive) {
    ++controller.m_documentBusy;
}

vexaLogging3AppDelegate::DeviceEventHold::~DeviceEventHold() {
    if (controllerAlive.expired())
        return;
    if (--controller.m_documentBusy > 0)
        return;
    // One at a time from the front: an event that asks a question holds the ones after it
    // again, and the hold that question opens carries on here, in order.
    auto& held = controller.m_heldEvents;
    while (!held.empty() && !controller.m_documentBusy) {
        std::function<void()> event = std::move(held.front().work);
        held.pop_front();
        event();
    }
}

void vexaLogging3AppDelegate::runDocumentWork(
    std::string_view label, const std::function<void(const platform::Dialogs::Progress&)>& work) {
    outlets.dialogs->runModalProgress(label, work);
}

void vexaLogging3AppDelegate::showFileAlert(const std::string& what, const std::string& path,
                                            const std::string& reason) {
    outlets.dialogs->runAlert("Glimmark Warning",
                              what + " \"" + path + "\" could not be written: " + reason, "OK");
}
