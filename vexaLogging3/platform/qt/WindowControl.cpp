#include "platform/qt/WindowControl.h"

#include "platform/qt/QtControls.h"

namespace platform::qt {

void WindowControl::setTitle(std::string_view title) {
    m_window->setWindowTitle(toQString(title));
}

void WindowControl::makeKeyAndOrderFront() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

}  // namespace platform::qt
