#include "platform/qt/QtMainThread.h"

#include <QMetaObject>

namespace platform::qt {

void QtMainThread::post(std::function<void()> work) {
    QMetaObject::invokeMethod(&m_context, std::move(work), Qt::QueuedConnection);
}

}  // namespace platform::qt
