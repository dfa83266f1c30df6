#include "platform/qt/WindowControl.h"

#include "platform/qt/QtControls.h"

namespace platform::qt {

void WindowControl::setTitle(std::string_view title) {
    // Where the desktop marks a window with unsaved changes.
    m_window->setWindowTitle(toQString(title) + QStringLiteral("[*]"));
}

void WindowControl::makeKeyAndOrderFront() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

}  // namespace platform::qt
