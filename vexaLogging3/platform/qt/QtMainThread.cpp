#include "platform/qt/QtMainThread.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace platform::qt {

void QtMainThread::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&m_context, std::move(work), Qt::QueuedConnection);
}

void QtMainThread::runPosted() {
    // Only the queued calls: no input or painting runs behind the caller's back.
    QCoreApplication::sendPostedEvents(&m_context, QEvent::MetaCall);
}

}  // namespace platform::qt
