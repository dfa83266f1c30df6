#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "frontend/ApplicationMenus.h"
#include "frontend/CaptureWindow.h"
#include "frontend/EditorWindow.h"
#include "frontend/LogTableModel.h"
#include "frontend/LogTableWindow.h"
#include "frontend/QuitPrompt.h"
#include "frontend/RenumberPanel.h"
#include "platform/Outlets.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/WindowControl.h"

class vexaLogging3AppDelegate;

namespace frontend {

// The program's interface: the three windows, the renumber panel and the menus, the outlets
// that let the controller reach them, and the connection of every control to the controller
// operation it fires. Nothing here decides anything.
class ApplicationWindows {
public:
    ApplicationWindows();
    ~ApplicationWindows();
    ApplicationWindows(const ApplicationWindows&) = delete;
    ApplicationWindows& operator=(const ApplicationWindows&) = delete;

    const platform::Outlets& outlets() const { return m_outlets; }
    // Once, before the controller's awakeFromNib.
    void connectTo(vexaLogging3AppDelegate& controller);

    CaptureWindow windowRec;
    EditorWindow windowEdit;
    LogTableWindow windowLog;
    RenumberPanel panelEditNr{&windowEdit};
    ApplicationMenus menus;
    // Made by connectTo().
    std::unique_ptr<QuitPrompt> quitPrompt;
    std::unique_ptr<LogTableModel> logModel;
    // The libraries About Glimmark names beside Qt, with their versions; set by the program.
    QStringList aboutLibraries;

private:
    // The editor's place, shown beside its number and as the row chosen in the log table.
    class ShownRecord final : public platform::RecordPosition {
    public:
        explicit ShownRecord(ApplicationWindows& windows) : m_windows(windows) {}
        void editorShows(int record, int recordCount) override;
        void takeWaits(int record) override;
        void showCount(int recordCount);

    private:
        ApplicationWindows& m_windows;
        int m_record = 0;
    };

    template <class Adapter, class Widget>
    Adapter* adapt(Widget* widget);
    void connectPlayer(vexaLogging3AppDelegate& controller);
    void connectLog(vexaLogging3AppDelegate& controller);
    void connectHelp();

    std::vector<std::shared_ptr<void>> m_adapters;
    platform::qt::QtDialogs m_dialogs;
    ShownRecord m_shownRecord{*this};
    platform::qt::ModifiedMark m_modifiedMark{{&windowRec, &windowEdit}};
    platform::Outlets m_outlets;
};

}  // namespace frontend
