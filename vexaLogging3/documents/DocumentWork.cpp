// Document operations that read the LogList off the main thread, and the device events that
// wait for them.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::handOver(std::function<void()> work) {
    m_services.mainThread.post([this, work = std::move(work)]() mutable {
        // Held events run when the hold ends, before anything posted after them.
        if (m_documentBusy)
            m_heldEvents.push_back(std::move(work));
        else
            work();
    });
}

vexaLogging3AppDelegate::DeviceEventHold::DeviceEventHold(vexaLogging3AppDelegate& c)
    : controller(c) {
    ++controller.m_documentBusy;
}

vexaLogging3AppDelegate::DeviceEventHold::~DeviceEventHold() {
    if (--controller.m_documentBusy > 0)
        return;
    // One at a time from the front: an event that asks a question holds the ones after it
    // again, and the hold that question opens carries on here, in order.
    std::vector<std::function<void()>>& held = controller.m_heldEvents;
    while (!held.empty() && !controller.m_documentBusy) {
        std::function<void()> event = std::move(held.front());
        held.erase(held.begin());
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
