#pragma once

#include "platform/Dialogs.h"

namespace platform::qt {

// Alerts and file dialogs over whichever of the program's windows is active. The file dialogs
// are Qt's own, not the desktop's, so they look and behave the same everywhere.
class QtDialogs final : public Dialogs {
public:
    int runAlert(std::string_view title, std::string_view message, std::string_view defaultButton,
                 std::string_view alternateButton, std::string_view otherButton) override;
    // A file dialog starts in the open document's folder, or else in the folder last chosen in
    // a dialog of the same title (kept in the settings), or else in the home folder.
    std::optional<std::string> runOpenDialog(std::string_view extension,
                                             const FileDialogPurpose& purpose) override;
    std::optional<std::string> runSaveDialog(std::string_view suggestedName,
                                             std::string_view extension,
                                             const FileDialogPurpose& purpose) override;
    // The work runs on a thread of its own while this thread's event loop goes on, taking no
    // user input: the windows redraw, timers tick and work handed to the main thread runs.
    // After half a second a progress dialog appears.
    void runModalProgress(std::string_view label,
                          const std::function<void(const Progress&)>& work) override;
    // As runModalProgress; once the progress dialog shows, it is modal over every window and
    // its Cancel button takes clicks.
    void runCancellableProgress(
        std::string_view label,
        const std::function<void(const CancellableProgress&)>& work) override;
    std::optional<std::string> runTextDialog(std::string_view title, std::string_view label,
                                             std::string_view initial) override;
    // Kept in the program's settings.
    void remember(std::string_view key, std::string_view text) override;
    std::optional<std::string> recalled(std::string_view key) override;
    std::optional<std::string> runChooseFileDialog(std::string_view message) override;

private:
    void runJob(std::string_view label, bool cancellable,
                const std::function<void(const CancellableProgress&)>& work);
};

}  // namespace platform::qt
