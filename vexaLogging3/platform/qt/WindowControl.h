#pragma once

#include <QWidget>

#include "platform/Windows.h"

namespace platform::qt {

// A top-level window as the logic moves it.
class WindowControl final : public Window {
public:
    explicit WindowControl(QWidget* window) : m_window(window) {}
    void setTitle(std::string_view title) override;
    void makeKeyAndOrderFront() override;

private:
    QWidget* m_window;
};

}  // namespace platform::qt
