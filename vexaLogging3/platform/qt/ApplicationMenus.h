#pragma once

#include <QObject>

class QAction;
class QMenuBar;

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
    QAction* quit;
    QAction* btnMenuEditNextVal;
    QAction* btnMenuEditPreviousVal;
    QAction* goToRecord;
    QAction* renumber;
    QAction* fullScreen;
    QAction* exitFullScreen;
    QAction* showCapture;
    QAction* showEditor;

    // Player: each stands for a control of the editor and works it as a click would.
    QAction* playStop;
    QAction* chase;
    QAction* editMode;
};
