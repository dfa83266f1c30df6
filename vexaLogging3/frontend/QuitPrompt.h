#pragma once

#include <QObject>

class QSessionManager;
class vexaLogging3AppDelegate;

namespace frontend {

// Asks about unsaved changes once when the program ends, while its windows still exist: on
// the Quit command, when the last of its windows is being closed, and when the desktop
// session ends (logout). Every window that keeps the program running counts, the log and
// Help windows as much as the capture window and the editor, so the question never comes
// while the program goes on. Whichever comes first asks; once the user has let the program
// go, the others do not ask again. A user who stays (Cancel) keeps the program running, its
// windows open, and is asked again at the next attempt.
class QuitPrompt final : public QObject {
public:
    explicit QuitPrompt(vexaLogging3AppDelegate& controller);

    // The controller's applicationWillTerminate, unless the user let the program go already;
    // false when the user chose to stay.
    bool run();
    // The Quit command: the prompt, then the end of the event loop unless the user stays.
    void quit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitData(QSessionManager& manager);

    vexaLogging3AppDelegate& m_controller;
    bool m_letGo = false;
};

}  // namespace frontend
