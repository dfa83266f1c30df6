#include "frontend/ApplicationMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <iterator>

namespace {

QAction* item(QObject* owner, const QString& text, const QKeySequence& shortcut = {}) {
    auto* action = new QAction(text, owner);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

}  // namespace

ApplicationMenus::ApplicationMenus() {
    btnFileNew = item(this, tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    btnFileOpen = item(this, tr("&Open…"), QKeySequence(Qt::CTRL | Qt::Key_O));
    btnFileSave = item(this, tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    btnFileSaveAs = item(this, tr("Save &As…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    importLog = item(this, tr("&Import Log…"));
    exportLog = item(this, tr("&Export Log…"));
    btnPictureExport = item(this, tr("Export &Picture…"));
    btnPictureExportAll = item(this, tr("Export A&ll Pictures…"));
    exportEdl = item(this, tr("&EDL…"));
    exportCsv = item(this, tr("&CSV…"));
    exportAle = item(this, tr("&ALE…"));
    exportContactSheet = item(this, tr("Contact &Sheet (PDF)…"));
    exportReport = item(this, tr("&Report (HTML)…"));
    quit = item(this, tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    // Ctrl+Up and Ctrl+Down also work while a text field has the keyboard.
    btnMenuEditNextVal = item(this, tr("&Next Record"), QKeySequence(Qt::CTRL | Qt::Key_Down));
    btnMenuEditPreviousVal =
        item(this, tr("&Previous Record"), QKeySequence(Qt::CTRL | Qt::Key_Up));
    // Home and End alone stay with the text fields.
    firstRecord = item(this, tr("&First Record"), QKeySequence(Qt::CTRL | Qt::Key_Home));
    newestRecord = item(this, tr("Ne&west Record"), QKeySequence(Qt::CTRL | Qt::Key_End));
    goToRecord = item(this, tr("&Go to Record Number"), QKeySequence(Qt::CTRL | Qt::Key_G));
    renumber = item(this, tr("&Renumber Record…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    fullScreen = item(this, tr("&Full Screen Picture"), QKeySequence(Qt::Key_F11));
    exitFullScreen = item(this, tr("E&xit Full Screen"));
    shareLiveLog = item(this, tr("S&hare Live Log\u2026"));
    showCapture = item(this, tr("&Capture Window"), QKeySequence(Qt::CTRL | Qt::Key_1));
    showEditor = item(this, tr("&Editor Window"), QKeySequence(Qt::CTRL | Qt::Key_2));
    showLog = item(this, tr("&Log"), QKeySequence(Qt::CTRL | Qt::Key_3));
    keysAndControls = item(this, tr("&Keys and Controls"), QKeySequence::HelpContents);
    behaviourNotes = item(this, tr("&Behaviour notes"));
    about = item(this, tr("&About Glimmark"));
    midiAuto = item(this, tr("&Chosen by Itself"));
    midiJack = item(this, tr("&JACK"));
    midiAlsa = item(this, tr("&ALSA Sequencer"));
    auto* midiSystems = new QActionGroup(this);
    for (QAction* a : {midiAuto, midiJack, midiAlsa}) {
        a->setCheckable(true);
        midiSystems->addAction(a);
    }
    midiAuto->setChecked(true);
    interfacePort = item(this, tr("Interface &Port…"));
    playStop = item(this, tr("&Play/Stop"), QKeySequence(Qt::CTRL | Qt::Key_P));
    chase = item(this, tr("&Chase"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    chase->setCheckable(true);
    editMode = item(this, tr("&Edit Mode"), QKeySequence(Qt::CTRL | Qt::Key_E));
    editMode->setCheckable(true);

    undo = item(this, tr("&Undo"), QKeySequence::Undo);
    // Ctrl+Shift+Z and Ctrl+Y alike, as the desktop has it.
    redo = item(this, tr("&Redo"));
    redo->setShortcuts(QKeySequence::Redo);
    undo->setEnabled(false);
    redo->setEnabled(false);
    cutRecord = item(this, tr("Cu&t Record"), QKeySequence::Cut);
    copyRecord = item(this, tr("&Copy Record"), QKeySequence::Copy);
    pasteRecord = item(this, tr("&Paste Record"), QKeySequence::Paste);
    deleteRecord = item(this, tr("&Delete Record…"), QKeySequence::Delete);
    addRecord = item(this, tr("&Add Record"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    insertRecord = item(this, tr("&Insert Record"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    replacePicture = item(this, tr("Replace P&icture…"));
    deletePicture = item(this, tr("Delete Pictu&re…"));
    // Every widget of the program, dialogs and widgets made later included, is asked here
    // first whether it wants a key of the menus.
    qApp->installEventFilter(this);
}

bool ApplicationMenus::eventFilter(QObject* watched, QEvent* event) {
    // Before a key reaches the widget with the keyboard as a key, that widget is asked whether
    // it wants it (a shortcut override); a widget that says yes takes the key from the menu.
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    const auto bound = [&pressed](const QAction* action) {
        return action->shortcuts().contains(pressed);
    };
    // Text fields, read-only ones too, keep the keys of text editing: a Ctrl+Z meant for a
    // comment must never take back a record.
    const QAction* const textKeys[] = {undo,       redo,        cutRecord,
                                       copyRecord, pasteRecord, deleteRecord};
    if (qobject_cast<QLineEdit*>(watched) != nullptr &&
        std::any_of(std::begin(textKeys), std::end(textKeys), bound)) {
        event->accept();
        return true;
    }
    const QList<QAction*> actions = findChildren<QAction*>(Qt::FindDirectChildrenOnly);
    if (std::any_of(actions.begin(), actions.end(), bound)) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ApplicationMenus::addTo(QMenuBar* bar) {
    QMenu* file = bar->addMenu(tr("&File"));
    file->addActions({btnFileNew, btnFileOpen, btnFileSave, btnFileSaveAs});
    file->addSeparator();
    file->addActions({importLog, exportLog, btnPictureExport, btnPictureExportAll});
    // The hand-over to editorial, one format each.
    QMenu* handover = file->addMenu(tr("Expor&t"));
    handover->addActions({exportEdl, exportCsv, exportAle, exportContactSheet, exportReport});
    file->addSeparator();
    file->addAction(quit);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(cutRecord);
    edit->addAction(copyRecord);
    edit->addAction(pasteRecord);
    edit->addAction(deleteRecord);
    edit->addSeparator();
    edit->addAction(addRecord);
    edit->addAction(insertRecord);
    edit->addSeparator();
    edit->addAction(replacePicture);
    edit->addAction(deletePicture);
    edit->addSeparator();
    edit->addAction(btnMenuEditPreviousVal);
    edit->addAction(btnMenuEditNextVal);
    edit->addAction(firstRecord);
    edit->addAction(newestRecord);
    edit->addSeparator();
    edit->addAction(goToRecord);
    edit->addAction(renumber);

    QMenu* player = bar->addMenu(tr("&Player"));
    player->addAction(playStop);
    player->addAction(chase);
    player->addAction(editMode);

    QMenu* midi = bar->addMenu(tr("&MIDI"));
    midi->addActions({midiAuto, midiJack, midiAlsa});
    midi->addSeparator();
    midi->addAction(interfacePort);

    QMenu* view = bar->addMenu(tr("&View"));
    view->addAction(fullScreen);
    view->addAction(exitFullScreen);
    view->addSeparator();
    view->addAction(shareLiveLog);

    QMenu* window = bar->addMenu(tr("&Window"));
    window->addAction(showCapture);
    window->addAction(showEditor);
    window->addAction(showLog);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addActions({keysAndControls, behaviourNotes});
    help->addSeparator();
    help->addAction(about);
}
