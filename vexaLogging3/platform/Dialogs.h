#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What an alert answers: which of its buttons the user pressed.
enum AlertAnswer : int {
    kAlertDefault = 1,
    kAlertAlternate = 0,
    kAlertOther = -1,
};

// What a file dialog is for: its title, the action it names ("Save Log As"); the folder of the
// open document, empty for a log never saved; and, for a dialog that asks for something other
// than a file name, the label of the name field and of its button.
struct FileDialogPurpose {
    std::string title;
    std::string documentFolder;
    std::string nameLabel = {};
    std::string acceptLabel = {};
};

// The program's modal questions. Each blocks until the user has answered.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An alert with a title, a message and up to three buttons, left out when their name is
    // empty. Closing it without a button (Escape) answers as the alternate button when there
    // is one, else as the default button.
    virtual int runAlert(std::string_view title, std::string_view message,
                         std::string_view defaultButton, std::string_view alternateButton = {},
                         std::string_view otherButton = {}) = 0;
    // A file to open, among those whose name ends in "." + extension; nothing when cancelled.
    virtual std::optional<std::string> runOpenDialog(std::string_view extension,
                                                     const FileDialogPurpose& purpose) = 0;
    // Where to save, starting from `suggestedName`; nothing when cancelled. The answer is the
    // path as the user typed it: adding a missing extension is the caller's rule.
    virtual std::optional<std::string> runSaveDialog(std::string_view suggestedName,
                                                     std::string_view extension,
                                                     const FileDialogPurpose& purpose) = 0;

    // Reports how far a long job is, 0.0 to 1.0; callable from any thread.
    using Progress = std::function<void(double fraction)>;
    // Runs `work` and returns once it has finished, as modal as the questions above: the user
    // waits. A front end with an event loop runs it on a thread of its own and keeps the
    // windows drawing meanwhile, with `label` and the progress shown when the job takes long;
    // whatever the main thread is handed then still runs. Here it simply runs.
    virtual void runModalProgress(std::string_view label,
                                  const std::function<void(const Progress&)>& work) {
        (void)label;
        work([](double) {});
    }
    // Reports how far a long job is, as Progress does, and answers false once the user has
    // cancelled it: the job then stops soon after and leaves nothing behind.
    using CancellableProgress = std::function<bool(double fraction)>;
    // Runs `work` as runModalProgress does, the progress offering a Cancel button.
    virtual void runCancellableProgress(std::string_view label,
                                        const std::function<void(const CancellableProgress&)>& work) {
        (void)label;
        work([](double) { return true; });
    }
    // One line of text asked for under `label`, starting as `initial`; nothing when cancelled.
    virtual std::optional<std::string> runTextDialog(std::string_view title,
                                                     std::string_view label,
                                                     std::string_view initial) {
        (void)title;
        (void)label;
        return std::string(initial);
    }
    // A text kept from one run to the next under `key` (an answer given for one file), and
    // what was kept; nothing for a key never kept. Here nothing is kept.
    virtual void remember(std::string_view key, std::string_view text) {
        (void)key;
        (void)text;
    }
    virtual std::optional<std::string> recalled(std::string_view key) {
        (void)key;
        return std::nullopt;
    }
    // One file of any kind, chosen under `message`; nothing when cancelled.
    virtual std::optional<std::string> runChooseFileDialog(std::string_view message) {
        (void)message;
        return std::nullopt;
    }
};

}  // namespace platform
