#include "platform/qt/QuitPrompt.h"

#include <QApplication>
#include <QEvent>
#include <QSessionManager>
#include <QWidget>
#include <algorithm>

#include "vexaLogging3AppDelegate.h"

namespace platform::qt {

QuitPrompt::QuitPrompt(vexaLogging3AppDelegate& controller, std::vector<QWidget*> windows)
    : m_controller(controller), m_windows(std::move(windows)) {
    for (QWidget* window : m_windows) window->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& manager) { commitData(manager); });
}

bool QuitPrompt::run() {
    if (!m_letGo)
        m_letGo = m_controller.applicationWillTerminate();
    return m_letGo;
}

void QuitPrompt::quit() {
    if (run())
        QCoreApplication::quit();
}

bool QuitPrompt::eventFilter(QObject* watched, QEvent* event) {
    // Closing the last window ends the program, so that is when to ask, before it goes. A
    // close refused keeps the window, and with it the program.
    if (event->type() == QEvent::Close) {
        const bool anotherOpen = std::any_of(m_windows.begin(), m_windows.end(), [&](QWidget* w) {
            return w != watched && w->isVisible();
        });
        if (!anotherOpen && !run()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void QuitPrompt::commitData(QSessionManager& manager) {
    // Without leave to interact the session gives no chance to ask; the log is not written
    // behind the user's back.
    if (!manager.allowsInteraction())
        return;
    if (run())
        manager.release();
    else
        manager.cancel();
}

}  // namespace platform::qt
