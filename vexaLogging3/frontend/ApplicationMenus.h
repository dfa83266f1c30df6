#pragma once

#include <QObject>

class QAction;
class QEvent;
class QMenuBar;
class QWidget;

// The menu items, shared by the menu bars of both windows so that each has the same menus
// and every shortcut works from either window and from the full-screen picture.
class ApplicationMenus final : public QObject {
public:
    ApplicationMenus();
    void addTo(QMenuBar* bar);

    QAction* btnFileNew;
    QAction* btnFileOpen;
    QAction* btnFileSave;
    QAction* btnFileSaveAs;
    QAction* importLog;
    QAction* exportLog;
    QAction* btnPictureExport;
    QAction* btnPictureExportAll;
    QAction* exportEdl;
    QAction* exportCsv;
    QAction* exportAle;
    QAction* exportContactSheet;
    QAction* exportReport;
    QAction* quit;
    QAction* btnMenuEditNextVal;
    QAction* btnMenuEditPreviousVal;
    QAction* firstRecord;
    QAction* newestRecord;
    QAction* goToRecord;
    QAction* renumber;
    QAction* fullScreen;
    QAction* exitFullScreen;
    QAction* shareLiveLog;
    QAction* showCapture;
    QAction* showEditor;
    QAction* showLog;
    QAction* keysAndControls;
    QAction* behaviourNotes;
    QAction* about;
    // MIDI: the system the interface is looked for on (one of the three at a time), and the
    // port it is found by.
    QAction* midiAuto;
    QAction* midiJack;
    QAction* midiAlsa;
    QAction* interfacePort;

    // Player: each stands for a control of the editor and works it as a click would.
    QAction* playStop;
    QAction* chase;
    QAction* editMode;
    // Records and pictures. Their keys act on the records only while no text field has the
    // keyboard; in a field, Ctrl+C, Ctrl+X, Ctrl+V, Delete, Ctrl+Z and Ctrl+Shift+Z edit
    // the text, as anywhere else. The menu items always act on the records. Every other key
    // of the menus acts whatever has the keyboard, also where a widget has a use of its own
    // for it (a text field takes Ctrl+E for the end of the line).
    QAction* undo;
    QAction* redo;
    QAction* cutRecord;
    QAction* copyRecord;
    QAction* pasteRecord;
    QAction* deleteRecord;
    QAction* addRecord;
    QAction* insertRecord;
    QAction* replacePicture;
    QAction* deletePicture;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
