#include "platform/qt/QtTimers.h"

#include <QTimer>

namespace platform::qt {

void QtTimers::startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) {
    auto* timer = new QTimer(&m_owner);
    timer->setInterval(interval);
    QObject::connect(timer, &QTimer::timeout, &m_owner, std::move(tick));
    timer->start();
}

void QtTimers::singleShot(std::chrono::milliseconds delay, std::function<void()> work) {
    // Precise: the status handshake counts its 50 ms waits on these.
    QTimer::singleShot(delay, Qt::PreciseTimer, &m_owner, std::move(work));
}

}  // namespace platform::qt
