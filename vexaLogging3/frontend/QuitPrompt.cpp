#include "frontend/QuitPrompt.h"

#include <QApplication>
#include <QEvent>
#include <QSessionManager>
#include <QWidget>
#include <algorithm>

#include "vexaLogging3AppDelegate.h"

namespace frontend {

namespace {

// A window whose closing can end the program, as the toolkit counts them for its last-window
// rule: a top-level window of its own, not a dialog, menu or tooltip of another.
bool keepsTheProgramRunning(const QWidget* window) {
    return window->isWindow() && window->parentWidget() == nullptr &&
           window->testAttribute(Qt::WA_QuitOnClose) && window->windowType() != Qt::ToolTip &&
           window->windowType() != Qt::Popup;
}

}  // namespace

QuitPrompt::QuitPrompt(vexaLogging3AppDelegate& controller) : m_controller(controller) {
    qApp->installEventFilter(this);
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
    auto* closing = event->type() == QEvent::Close ? qobject_cast<QWidget*>(watched) : nullptr;
    if (closing != nullptr && closing->isVisible() && keepsTheProgramRunning(closing)) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        const bool anotherOpen = std::any_of(windows.begin(), windows.end(), [&](QWidget* w) {
            return w != closing && w->isVisible() && keepsTheProgramRunning(w);
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

}  // namespace frontend
