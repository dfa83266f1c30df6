#pragma once

#include <functional>
#include <utility>

#include "platform/Dialogs.h"

namespace document {

// Puts every question and dialog inside `around`, so that whatever must not happen while the
// user is being asked (device events changing the log the answer is about) waits for the
// answer and what it leads to.
class HeldDialogs final : public platform::Dialogs {
public:
    using Around = std::function<void(const std::function<void()>& ask)>;
    HeldDialogs(platform::Dialogs& dialogs, Around around)
        : m_dialogs(dialogs), m_around(std::move(around)) {}

    int runAlert(std::string_view title, std::string_view message, std::string_view defaultButton,
                 std::string_view alternateButton, std::string_view otherButton) override {
        int answer = platform::kAlertAlternate;
        m_around([&] {
            answer =
                m_dialogs.runAlert(title, message, defaultButton, alternateButton, otherButton);
        });
        return answer;
    }
    std::optional<std::string> runOpenDialog(std::string_view extension,
                                             const platform::FileDialogPurpose& purpose) override {
        std::optional<std::string> chosen;
        m_around([&] { chosen = m_dialogs.runOpenDialog(extension, purpose); });
        return chosen;
    }
    std::optional<std::string> runSaveDialog(std::string_view suggestedName,
                                             std::string_view extension,
                                             const platform::FileDialogPurpose& purpose) override {
        std::optional<std::string> chosen;
        m_around([&] { chosen = m_dialogs.runSaveDialog(suggestedName, extension, purpose); });
        return chosen;
    }
    // Long jobs run inside a hold of their own already, which ends with them.
    void runModalProgress(std::string_view label,
                          const std::function<void(const Progress&)>& work) override {
        m_dialogs.runModalProgress(label, work);
    }
    void runCancellableProgress(
        std::string_view label,
        const std::function<void(const CancellableProgress&)>& work) override {
        m_dialogs.runCancellableProgress(label, work);
    }
    std::optional<std::string> runTextDialog(std::string_view title, std::string_view label,
                                             std::string_view initial) override {
        std::optional<std::string> answer;
        m_around([&] { answer = m_dialogs.runTextDialog(title, label, initial); });
        return answer;
    }
    void remember(std::string_view key, std::string_view text) override {
        m_dialogs.remember(key, text);
    }
    std::optional<std::string> recalled(std::string_view key) override {
        return m_dialogs.recalled(key);
    }
    std::optional<std::string> runChooseFileDialog(std::string_view message) override {
        std::optional<std::string> chosen;
        m_around([&] { chosen = m_dialogs.runChooseFileDialog(message); });
        return chosen;
    }

private:
    platform::Dialogs& m_dialogs;
    Around m_around;
};

}  // namespace document
