#pragma once

#include <string_view>

namespace platform {

// A window of the program, as the logic moves it: its title and its place in front.
class Window {
public:
    virtual ~Window() = default;
    virtual void setTitle(std::string_view title) = 0;
    // Brings the window in front of the program's other windows and gives it the keyboard.
    virtual void makeKeyAndOrderFront() = 0;
};

// A small panel that takes the keyboard and the mouse from every other window while it runs.
class ModalPanel : public Window {
public:
    // Centres the panel over the window it belongs to, lifts it above the other windows and
    // blocks in its own event loop. Answers true when abortModal() ended the loop, false when
    // the user closed the panel instead (window button or Escape): a cancel.
    virtual bool runModal() = 0;
    // Ends the loop of runModal(); called from inside it, by the panel's own button.
    virtual void abortModal() = 0;
    virtual void orderOut() = 0;
};

// Whatever shows that the log holds changes not yet saved, such as the windows' modified
// mark. Told only when that turns on or off.
class UnsavedMark {
public:
    virtual ~UnsavedMark() = default;
    virtual void showUnsaved(bool unsaved) = 0;
};

}  // namespace platform
