#pragma once

#include <QObject>

#include "platform/MainThread.h"

namespace platform::qt {

// Work from the MIDI and capture threads goes into the GUI thread's event queue as one queued
// call each. Queued calls to one object run in the order they were posted, which keeps device
// events in the order their bytes arrived. Work still queued when this object goes is dropped.
class QtMainThread final : public MainThread {
public:
    // Create on the GUI thread, after the QApplication.
    QtMainThread() = default;
    void post(std::function<void()> work) override;
    void runPosted() override;

private:
    QObject m_context;
};

}  // namespace platform::qt
