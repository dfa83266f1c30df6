#include "frontend/ApplicationWindows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <tuple>

#include "frontend/CapturePreview.h"
#include "frontend/DeviceComboBox.h"
#include "frontend/HelpWindows.h"
#include "frontend/MyImageView.h"
#include "frontend/RecordEditControls.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/WindowControl.h"
#include "vexaLogging3AppDelegate.h"

namespace frontend {

using platform::Outlets;
using platform::qt::ActionControl;
using platform::qt::ButtonControl;
using platform::qt::ComboControl;
using platform::qt::LineEditField;
using platform::qt::WindowControl;

template <class Adapter, class Widget>
Adapter* ApplicationWindows::adapt(Widget* widget) {
    auto adapter = std::make_shared<Adapter>(widget);
    Adapter* raw = adapter.get();
    m_adapters.push_back(std::move(adapter));
    return raw;
}

ApplicationWindows::ApplicationWindows() {
    menus.addTo(windowRec.menuBar());
    menus.addTo(windowEdit.menuBar());
    menus.addTo(windowLog.menuBar());

    Outlets& o = m_outlets;
    o.statusText = adapt<LineEditField>(windowRec.statusText);
    o.txtLogNr = adapt<LineEditField>(windowRec.txtLogNr);
    o.txtLogStart = adapt<LineEditField>(windowRec.txtLogStart);
    o.txtLogStop = adapt<LineEditField>(windowRec.txtLogStop);
    o.txtLogDuration = adapt<LineEditField>(windowRec.txtLogDuration);
    o.txtLogTod = adapt<LineEditField>(windowRec.txtLogTod);
    o.txtLogDate = adapt<LineEditField>(windowRec.txtLogDate);
    o.cmbLogSelectVal = adapt<ComboControl>(windowRec.cmbLogSelectVal);
    o.btnLogManualVal = adapt<ButtonControl>(windowRec.btnLogManualVal);
    o.btnLogManualStopVal = adapt<ButtonControl>(windowRec.btnLogManualStopVal);
    o.cmbDevicesVal = adapt<ComboControl>(windowRec.cmbDevicesVal);
    o.mCaptureView = windowRec.mCaptureView;
    o.captureStatus = adapt<LineEditField>(windowRec.captureStatus);

    EditorWindow& e = windowEdit;
    o.txtEditNr = adapt<LineEditField>(e.txtEditNr);
    o.txtEditStart = adapt<LineEditField>(e.txtEditStart);
    o.txtEditStop = adapt<LineEditField>(e.txtEditStop);
    o.txtEditDuration = adapt<LineEditField>(e.txtEditDuration);
    o.txtEditTod = adapt<LineEditField>(e.txtEditTod);
    o.txtEditDate = adapt<LineEditField>(e.txtEditDate);
    o.txtEditComment1 = adapt<LineEditField>(e.txtEditComment1);
    o.txtEditComment2 = adapt<LineEditField>(e.txtEditComment2);
    o.imgEditPre = e.imgEditPre;
    o.imgEdit = e.imgEdit;
    o.imgEditNext = e.imgEditNext;
    o.btnLogNaechstesVal = adapt<ButtonControl>(e.btnLogNaechstesVal);
    o.btnMenuEditNextVal = adapt<ActionControl>(menus.btnMenuEditNextVal);
    o.btnLogVorherVal = adapt<ButtonControl>(e.btnLogVorherVal);
    o.btnMenuEditPreviousVal = adapt<ActionControl>(menus.btnMenuEditPreviousVal);
    o.btnEditPlayVal = adapt<ButtonControl>(e.btnEditPlayVal);
    o.chkEditChaseModeVal = adapt<ButtonControl>(e.chkEditChaseModeVal);
    o.chkEditModeVal = adapt<ButtonControl>(e.chkEditModeVal);
    o.btnPlayerFps24Val = adapt<ButtonControl>(e.btnPlayerFps24Val);
    o.btnPlayerFps25Val = adapt<ButtonControl>(e.btnPlayerFps25Val);
    o.btnPlayerFps29Val = adapt<ButtonControl>(e.btnPlayerFps29Val);
    o.btnPlayerFps30Val = adapt<ButtonControl>(e.btnPlayerFps30Val);
    o.btnMenuUndoVal = adapt<ActionControl>(menus.undo);
    o.btnMenuRedoVal = adapt<ActionControl>(menus.redo);

    o.editorPosition = &m_shownRecord;
    o.txtEditNrChangeVal = adapt<LineEditField>(panelEditNr.txtEditNrChangeVal);
    o.windowRec = adapt<WindowControl>(static_cast<QWidget*>(&windowRec));
    o.windowEdit = adapt<WindowControl>(static_cast<QWidget*>(&windowEdit));
    o.panelEditNr = &panelEditNr;
    o.dialogs = &m_dialogs;
    o.unsavedMark = &m_modifiedMark;
}

ApplicationWindows::~ApplicationWindows() {
    // Back into its window first, so that the window frees it with the rest.
    windowEdit.imgEdit->exitFullScreenMode();
    // A field that loses the keyboard as its window goes would store its text into the log,
    // whose table model is gone by then: the windows are torn down, nothing is stored.
    for (QLineEdit* field : {windowEdit.txtEditStart, windowEdit.txtEditStop,
                             windowEdit.txtEditComment1, windowEdit.txtEditComment2})
        QObject::disconnect(field, &QLineEdit::editingFinished, nullptr, nullptr);
}

void ApplicationWindows::connectTo(vexaLogging3AppDelegate& controller) {
    vexaLogging3AppDelegate* c = &controller;
    CaptureWindow& r = windowRec;
    EditorWindow& e = windowEdit;

    // The user's choice only: a selection made by the program does not send anything.
    QObject::connect(r.cmbLogSelectVal, &QComboBox::activated, r.cmbLogSelectVal,
                     [c] { c->cmbLogSelect(); });
    QObject::connect(r.btnLogManualVal, &QPushButton::clicked, r.btnLogManualVal,
                     [c] { c->btnLogManual(); });
    QObject::connect(r.btnLogManualStopVal, &QPushButton::clicked, r.btnLogManualStopVal,
                     [c] { c->btnLogManualStop(); });
    r.cmbDevicesVal->willPopUp = [c] { c->comboBoxWillPopUp(); };
    QObject::connect(r.cmbDevicesVal, &QComboBox::activated, r.cmbDevicesVal,
                     [c] { c->cmbDevices(); });
    QObject::connect(r.btnCapture, &QPushButton::clicked, r.btnCapture, [c] { c->btnCapture(); });

    QObject::connect(e.btnLogNaechstesVal, &QPushButton::clicked, e.btnLogNaechstesVal,
                     [c] { c->btnLogNaechstes(); });
    QObject::connect(menus.btnMenuEditNextVal, &QAction::triggered, &menus,
                     [c] { c->btnLogNaechstes(); });
    QObject::connect(e.btnLogVorherVal, &QPushButton::clicked, e.btnLogVorherVal,
                     [c] { c->btnLogVorher(); });
    QObject::connect(menus.btnMenuEditPreviousVal, &QAction::triggered, &menus,
                     [c] { c->btnLogVorher(); });
    QObject::connect(e.txtEditNr, &QLineEdit::returnPressed, e.txtEditNr,
                     [c] { c->txtEditLogNr(); });
    QObject::connect(e.btnEditLogNr, &QPushButton::clicked, e.btnEditLogNr,
                     [c] { c->btnEditLogNr(); });
    QObject::connect(menus.renumber, &QAction::triggered, &menus, [c] { c->btnEditLogNr(); });
    QObject::connect(panelEditNr.btnEditLogNrOk, &QPushButton::clicked, &panelEditNr,
                     [c] { c->btnEditLogNrOk(); });

    QObject::connect(e.btnFullScreen, &QPushButton::clicked, e.btnFullScreen,
                     [c] { c->btnFullScreen(); });
    QObject::connect(menus.fullScreen, &QAction::triggered, &menus, [c] { c->btnFullScreen(); });
    QObject::connect(menus.exitFullScreen, &QAction::triggered, &menus,
                     [c] { c->btnExitFullScreen(); });
    for (auto [action, operation] :
         {std::pair<QAction*, void (vexaLogging3AppDelegate::*)()>{
              menus.btnFileNew, &vexaLogging3AppDelegate::btnFileNew},
          {menus.btnFileOpen, &vexaLogging3AppDelegate::btnFileOpen},
          {menus.btnFileSave, &vexaLogging3AppDelegate::btnFileSave},
          {menus.btnFileSaveAs, &vexaLogging3AppDelegate::btnFileSaveAs},
          {menus.importLog, &vexaLogging3AppDelegate::LogOpenEDL},
          {menus.exportLog, &vexaLogging3AppDelegate::LogSaveEdl},
          {menus.btnPictureExport, &vexaLogging3AppDelegate::btnPictureExport},
          {menus.btnPictureExportAll, &vexaLogging3AppDelegate::btnPictureExportAll},
          {menus.exportEdl, &vexaLogging3AppDelegate::exportEdl},
          {menus.exportCsv, &vexaLogging3AppDelegate::exportCsv},
          {menus.exportAle, &vexaLogging3AppDelegate::exportAle},
          {menus.exportContactSheet, &vexaLogging3AppDelegate::exportContactSheet},
          {menus.exportReport, &vexaLogging3AppDelegate::exportReport}}) {
        QObject::connect(action, &QAction::triggered, &menus,
                         [c, operation] { (c->*operation)(); });
    }
    connectPlayer(controller);
    connectLog(controller);
    connectHelp();
    // Records and pictures, from the buttons and from the menu.
    const RecordEditControls& b = *e.recordEdit;
    for (auto [button, action, operation] :
         {std::tuple{b.btnEditLogAdd, menus.addRecord, &vexaLogging3AppDelegate::btnEditLogAdd},
          std::tuple{b.btnEditLogInsert, menus.insertRecord,
                     &vexaLogging3AppDelegate::btnEditLogInsert},
          std::tuple{b.btnEditLogDelete, menus.deleteRecord,
                     &vexaLogging3AppDelegate::btnEditLogDelete},
          std::tuple{b.btnEditCut, menus.cutRecord, &vexaLogging3AppDelegate::btnEditCut},
          std::tuple{b.btnEditCopy, menus.copyRecord, &vexaLogging3AppDelegate::btnEditCopy},
          std::tuple{b.btnEditPaste, menus.pasteRecord, &vexaLogging3AppDelegate::btnEditPaste},
          std::tuple{b.btnImageChange, menus.replacePicture,
                     &vexaLogging3AppDelegate::btnImageChange},
          std::tuple{b.btnEditPictureDelete, menus.deletePicture,
                     &vexaLogging3AppDelegate::btnEditPictureDelete}}) {
        QObject::connect(button, &QPushButton::clicked, button,
                         [c, op = operation] { (c->*op)(); });
        QObject::connect(action, &QAction::triggered, &menus, [c, op = operation] { (c->*op)(); });
    }
    QObject::connect(menus.undo, &QAction::triggered, &menus, [c] { c->btnEditUndo(); });
    QObject::connect(menus.redo, &QAction::triggered, &menus, [c] { c->btnEditRedo(); });
    e.imgEdit->acceptFileDrops([c](const std::string& path) { c->imgEditFileDropped(path); });

    // Play, the edit-mode box and the frame-rate buttons have no controller operation to fire
    // yet and stay unconnected. The chase box needs none: the chase reads its state.

    // Moving between the program's own windows and fields, which the controller has no say in.
    quitPrompt = std::make_unique<QuitPrompt>(controller);
    QuitPrompt* prompt = quitPrompt.get();
    QObject::connect(menus.quit, &QAction::triggered, &menus, [prompt] { prompt->quit(); });
    QObject::connect(menus.goToRecord, &QAction::triggered, &menus, [&e] {
        e.show();
        e.activateWindow();
        e.txtEditNr->setFocus();
        e.txtEditNr->selectAll();
    });
    for (auto [action, window] : {std::pair<QAction*, QWidget*>{menus.showCapture, &r},
                                  std::pair<QAction*, QWidget*>{menus.showEditor, &e},
                                  std::pair<QAction*, QWidget*>{menus.showLog, &windowLog}}) {
        QObject::connect(action, &QAction::triggered, &menus, [window] {
            window->show();
            window->raise();
            window->activateWindow();
        });
    }
}

void ApplicationWindows::connectLog(vexaLogging3AppDelegate& controller) {
    vexaLogging3AppDelegate* c = &controller;
    logModel = std::make_unique<LogTableModel>(
        controller.logStartArray,
        [c](std::string_view start, std::string_view stop) {
            return c->DurationCalculate(start, stop);
        });
    controller.logStartArray.setObserver(logModel.get());
    windowLog.setModel(logModel.get());
    windowLog.chooseRecord = [c](int record) { c->LogEditGoTo(record); };
    c->followTakes = windowLog.follow->isChecked();
    QObject::connect(windowLog.follow, &QCheckBox::toggled, &windowLog,
                     [c](bool on) { c->followTakes = on; });
    EditorWindow* e = &windowEdit;
    windowLog.openRecord = [c, e](int record) {
        c->LogEditGoTo(record);
        e->show();
        e->raise();
        e->activateWindow();
    };
    QObject::connect(menus.firstRecord, &QAction::triggered, &menus, [c] { c->LogEditGoTo(1); });
    QObject::connect(menus.newestRecord, &QAction::triggered, &menus,
                     [c] { c->LogEditGoTo(c->logStartArray.recordCount()); });
    LogTableModel* model = logModel.get();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(model, signal, &windowLog,
                         [this, model] { m_shownRecord.showCount(model->rowCount()); });

}

void ApplicationWindows::connectHelp() {
    QObject::connect(menus.keysAndControls, &QAction::triggered, &menus,
                     [] { help::showKeysAndControls(); });
    menus.behaviourNotes->setEnabled(help::haveBehaviourNotes());
    QObject::connect(menus.behaviourNotes, &QAction::triggered, &menus,
                     [] { help::showBehaviourNotes(); });
    QObject::connect(menus.about, &QAction::triggered, &menus,
                     [this] { help::showAbout(QApplication::activeWindow(), aboutLibraries); });
}

void ApplicationWindows::ShownRecord::editorShows(int record, int recordCount) {
    m_record = record;
    showCount(recordCount);
    m_windows.windowLog.showEditorRecord(record);
}

void ApplicationWindows::ShownRecord::takeWaits(int record) {
    m_windows.windowLog.showWaitingTake(record);
}

void ApplicationWindows::ShownRecord::showCount(int recordCount) {
    m_windows.windowEdit.recordPosition->setText(
        m_record >= 1 && m_record <= recordCount
            ? QObject::tr("Record %1 of %2").arg(m_record).arg(recordCount)
            : QString());
}

void ApplicationWindows::connectPlayer(vexaLogging3AppDelegate& controller) {
    vexaLogging3AppDelegate* c = &controller;
    EditorWindow& e = windowEdit;
    QObject::connect(e.btnEditPlayVal, &QPushButton::clicked, e.btnEditPlayVal,
                     [c] { c->btnEditPlay(); });
    QObject::connect(e.chkEditChaseModeVal, &QCheckBox::clicked, e.chkEditChaseModeVal,
                     [c] { c->chkEditChaseMode(); });
    QObject::connect(e.chkEditModeVal, &QCheckBox::clicked, e.chkEditModeVal,
                     [c] { c->chkEditMode(); });
    using Action = void (vexaLogging3AppDelegate::*)();
    for (auto [radio, action] : {std::pair<QRadioButton*, Action>{
                                     e.btnPlayerFps24Val, &vexaLogging3AppDelegate::btnPlayerFps24},
                                 {e.btnPlayerFps25Val, &vexaLogging3AppDelegate::btnPlayerFps25},
                                 {e.btnPlayerFps29Val, &vexaLogging3AppDelegate::btnPlayerFps29},
                                 {e.btnPlayerFps30Val, &vexaLogging3AppDelegate::btnPlayerFps30}})
        QObject::connect(radio, &QRadioButton::clicked, radio, [c, action] { (c->*action)(); });
    // Return, or leaving a field after typing, commits it. A locked field has nothing typed.
    for (auto [field, action] :
         {std::pair<QLineEdit*, Action>{e.txtEditStart, &vexaLogging3AppDelegate::txtEditStartChg},
          {e.txtEditStop, &vexaLogging3AppDelegate::txtEditStopChg}})
        QObject::connect(field, &QLineEdit::editingFinished, field, [c, field, action] {
            if (!field->isReadOnly())
                (c->*action)();
        });
    // And a comment: until then the user is at work on the record, and Follow waits.
    for (QLineEdit* field : {e.txtEditComment1, e.txtEditComment2})
        QObject::connect(field, &QLineEdit::editingFinished, field, [c, field] {
            if (!field->isReadOnly())
                c->txtEditCommentChg();
        });

    // The menu items work the controls themselves, so a disabled Play stays unplayable and
    // the boxes keep their ticks in step with the items.
    QObject::connect(menus.playStop, &QAction::triggered, e.btnEditPlayVal,
                     [&e] { e.btnEditPlayVal->click(); });
    for (auto [item, box] : {std::pair<QAction*, QCheckBox*>{menus.chase, e.chkEditChaseModeVal},
                             {menus.editMode, e.chkEditModeVal}}) {
        QObject::connect(item, &QAction::triggered, box, [item, box] {
            box->click();
            item->setChecked(box->isChecked());
        });
        QObject::connect(box, &QCheckBox::toggled, item, &QAction::setChecked);
    }
}

}  // namespace frontend
