#pragma once

#include <QWidget>
#include <utility>
#include <vector>

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

// The modified mark of the windows' titles ("[*]" in each title).
class ModifiedMark final : public UnsavedMark {
public:
    explicit ModifiedMark(std::vector<QWidget*> windows) : m_windows(std::move(windows)) {}
    void showUnsaved(bool unsaved) override {
        for (QWidget* window : m_windows) window->setWindowModified(unsaved);
    }

private:
    std::vector<QWidget*> m_windows;
};

}  // namespace platform::qt
