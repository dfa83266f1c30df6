#pragma once

#include <QObject>

#include "platform/Timers.h"

namespace platform::qt {

// Timers of the GUI thread's event loop. They stop when this object goes.
class QtTimers final : public Timers {
public:
    void startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) override;
    void singleShot(std::chrono::milliseconds delay, std::function<void()> work) override;

private:
    QObject m_owner;
};

}  // namespace platform::qt
