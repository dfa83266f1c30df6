// The windows as the user meets them: start-up, every menu key, the quit prompt, the menus.

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <filesystem>
#include <map>

#include "frontend/CapturePreview.h"
#include "frontend/LiveSharing.h"
#include "frontend/MidiMenu.h"
#include "frontend/MyImageView.h"
#include "frontend/TimecodeMenu.h"
#include "frontend/WindowGrab.h"
#include "platform/SwitchingMidiSystem.h"
#include "qt/GuiApp.h"
#include "timecode/TimecodeSources.h"

namespace {

using gui_test::encodedPicture;
using std::get;

// The colour of a picture on show: r, g, b, or - for none.
char colour(const MyImageView* view) {
    const QImage& p = view->picture();
    if (p.isNull())
        return '-';
    const QRgb c = p.pixel(p.width() / 2, p.height() / 2);
    return qRed(c) > 200 ? 'r' : qGreen(c) > 200 ? 'g' : qBlue(c) > 200 ? 'b' : '?';
}

// A list's items as offered, the current one in brackets.
QString listed(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << (i == list->currentIndex() ? "[" + list->itemText(i) + "]" : list->itemText(i));
    return items.join(", ");
}

// A menu as the user reads it: each item with its keys, "-" before one greyed out, "*" after
// one ticked, "|" for a separator, a submenu in brackets.
std::string menuText(const QList<QAction*>& items) {
    std::string s;
    for (const QAction* a : items) {
        const QString keys = QKeySequence::listToString(a->shortcuts());
        s += a->isSeparator() ? "| "
                              : (a->isEnabled() ? "" : "-") + a->text().remove('&').toStdString() +
                                    (a->menu() ? " [" + menuText(a->menu()->actions()) + "]" : "") +
                                    (keys.isEmpty() ? "" : " " + keys.toStdString()) +
                                    (a->isChecked() ? "*" : "") + "; ";
    }
    return s;
}

// What a window shows, line by line from the top, left to right: text fields by name, "ro" when
// read-only; "-" before what is greyed out, "*" after what is ticked, "?" after what has a tip.
std::string reading(QWidget* window) {
    std::vector<std::tuple<int, int, std::string, int, int>> seen;  // middle, text, left, right
    for (QWidget* w : window->findChildren<QWidget*>()) {
        std::string s = w->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w))
            s = label->text().toStdString();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            s = button->text().toStdString() + (button->isChecked() ? "*" : "");
        else if (auto* list = qobject_cast<QComboBox*>(w))
            s = "(" + list->currentText().toStdString() + ")";
        else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            s = "{";
            for (int at = 0; at < header->count(); ++at)
                if (const int c = header->logicalIndex(at); !header->isSectionHidden(c))
                    s += header->model()->headerData(c, Qt::Horizontal).toString().toStdString()
                         + ",";
            s += "}";
        } else if (auto* field = qobject_cast<QLineEdit*>(w))
            s = "[" + (s.empty() ? field->placeholderText().toStdString() : s) +
                (field->isReadOnly() ? " ro]" : "]");
        else if (!dynamic_cast<MyImageView*>(w) && !dynamic_cast<CapturePreview*>(w))
            continue;
        if (s.empty() || !w->isVisibleTo(window) || qobject_cast<QComboBox*>(w->parent()))
            continue;
        s = (w->isEnabled() ? "" : "-") + s;
        const QPoint middle = w->mapTo(window, w->rect().center());
        seen.emplace_back(middle.y(), middle.x(), s + (w->toolTip().isEmpty() ? "" : "?"),
                          middle.x() - w->width() / 2, middle.x() + w->width() / 2);
    }
    std::sort(seen.begin(), seen.end());
    std::string s;
    for (auto line = seen.begin(); line != seen.end();) {
        const int top = std::get<0>(*line);
        const auto end =
            std::find_if(line, seen.end(), [top](auto& w) { return get<0>(w) > top + 8; });
        std::sort(line, end, [](auto& a, auto& b) { return get<1>(a) < get<1>(b); });
        // "&" between two that cover each other.
        for (auto first = line; line != end; ++line)
            s += (line == first ? "" : get<3>(*line) < get<4>(*(line - 1)) ? " & " : " ") +
                 get<2>(*line);
        s += " / ";
    }
    return s;
}

QWidget* shownWindow(const QString& title) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle() == title)
            return window;
    return nullptr;
}

class Windows : public ::testing::Test {
protected:
    // Answers the next dialog, adding a line of what it asked to `asked`: an alert by that button
    // or "Escape" (its title, text and detail); a file dialog by "Escape" (title, file types, the
    // name a save offers); a list by that item, "=" the one offered, a trailing "^" picking it
    // and cancelling (its items); the renumber panel by typing, "#42^" types 42 then Escape (the
    // number it offered).
    QTimer* press(const QString& answer, QString* asked = nullptr) {
        return app.whenModal([answer, asked](QWidget* modal) {
            const bool cancel = answer.endsWith('^');
            const QString typed = QString(answer).remove('^');
            QString said = modal->windowTitle() + " ";
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                said += files->nameFilters().join(',');
                if (files->acceptMode() == QFileDialog::AcceptSave)
                    said += " " + QFileInfo(files->selectedFiles().value(0)).fileName();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                said += box->text() + " / " + box->informativeText();
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == answer)
                        button->click();
            } else if (auto* list = modal->findChild<QComboBox*>()) {
                said = listed(list);
                if (typed != "=")
                    list->setCurrentText(typed);
                qobject_cast<QDialog*>(modal)->done(cancel ? QDialog::Rejected : QDialog::Accepted);
            } else if (auto* field = modal->findChild<QLineEdit*>()) {
                said = field->text();
                QTest::keyClicks(field, typed.mid(1));
                QTest::keyClick(field, cancel ? Qt::Key_Escape : Qt::Key_Return);
            }
            if (asked)
                *asked += (asked->isEmpty() ? "" : "\n") + said;
            if (answer == "Escape")
                QTest::keyClick(modal, Qt::Key_Escape);
        });
    }
    // The record numbers, then the editor: "1 2 3 #2 Play [rgb]", and "chase", "edit", "locked"
    // (navigation off), "full", "undo", "redo" (items enabled) and "*" (the windows marked
    // unsaved) when so.
    std::string state() const {
        std::string s;
        const LogList& log = app.controller.logStartArray;
        for (int r = 1; r <= log.recordCount(); ++r)
            s += log.text(LogList::indexOf(r, kFieldNumber)) + " ";
        s += "#" + app.edit.txtEditNr->text().toStdString() + " " +
             app.edit.btnEditPlayVal->text().toStdString() + " [" + colour(app.edit.imgEditPre) +
             colour(app.edit.imgEdit) + colour(app.edit.imgEditNext) + "]";
        s += app.edit.chkEditChaseModeVal->isChecked() ? " chase" : "";
        s += app.edit.txtEditStart->isReadOnly() ? "" : " edit";
        s += app.edit.btnLogNaechstesVal->isEnabled() ? "" : " locked";
        s += app.controller.fullScreenMode ? " full" : "";
        s += app.windows.menus.undo->isEnabled() ? " undo" : "";
        s += app.windows.menus.redo->isEnabled() ? " redo" : "";
        return s + (app.edit.isWindowModified() && app.rec.isWindowModified() ? " *" : "");
    }

    gui_test::GuiApp app;
};

// The titles, the menus and what each window shows at start-up; the user's manual logging frees
// Start.
TEST_F(Windows, StartWithTheEditorInFrontAndNoInterfaceThenTakeTheUsersLoggingAndDeviceChoice) {
    CaptureWindow& rec = app.rec;
    EXPECT_EQ(rec.windowHandle()->title() + " / " + app.edit.windowHandle()->title(),
              "Glimmark Capture Tool - Untitled / Glimmark Editor - Untitled");
    EXPECT_EQ(state(), "# Play [---]");
    // The menus, and what each window shows where.
    const std::string menus = menuText(app.edit.menuBar()->actions());
    EXPECT_EQ(menus,
              "File [New Ctrl+N; Open… Ctrl+O; Save Ctrl+S; Save As… Ctrl+Shift+S; | Import Log…; "
              "Export Log…; Export Picture…; Export All Pictures…; Export [EDL…; CSV…; ALE…; "
              "Contact Sheet (PDF)…; Report (HTML)…; ]; | Quit Ctrl+Q; ]; "
              "Edit [-Undo Ctrl+Z; -Redo Ctrl+Y; Alt+Shift+Backspace; Ctrl+Shift+Z; | "
              "Cut Record Ctrl+X; Copy Record Ctrl+C; Paste Record Ctrl+V; Delete Record… Del; | "
              "Add Record Ctrl+Shift+A; Insert Record Ctrl+Shift+I; | Replace Picture…; "
              "Delete Picture…; | Previous Record Ctrl+Up; Next Record Ctrl+Down; "
              "First Record Ctrl+Home; Newest Record Ctrl+End; | Go to Record Number Ctrl+G; "
              "Renumber Record… Ctrl+Shift+R; ]; "
              "Player [Play/Stop Ctrl+P; Chase Ctrl+Shift+C; Edit Mode Ctrl+E; ]; "
              "MIDI [Chosen by Itself*; JACK; ALSA Sequencer; | Interface Port…; ]; "
              "View [Full Screen Picture F11; Exit Full Screen; | Share Live Log…; ]; "
              "Window [Capture Window Ctrl+1; Editor Window Ctrl+2; Log Ctrl+3; ]; "
              "Help [Keys and Controls F1; Behaviour notes; | About Glimmark; ]; ");
    app.windows.windowLog.show();
    EXPECT_EQ(reading(&app.edit),
              "imgEditPre imgEdit imgEditNext / Previous Current Next / "
              "Number [txtEditNr]? Renumber… ◀ Previous Next ▶ / "
              "Start [txtEditStart ro] Stop [txtEditStop ro] Duration [txtEditDuration ro] / "
              "Time of day [txtEditTod ro] Date [txtEditDate ro] / "
              "Comment 1 [txtEditComment1 ro] / Comment 2 [txtEditComment2 ro] / "
              "Add? Insert? Delete…? Cut? Copy? Paste? "
              "Replace Picture…? Delete Picture…? / "
              "-Play Chase Edit mode fps 24 25* 29.97 30 Full Screen / ");
    EXPECT_EQ(reading(&rec),
              "[statusText ro] / mCaptureView / [captureStatus ro] / "
              "(Select Video Device) Grab Still? / Number [txtLogNr ro] / Start [txtLogStart ro] / "
              "Stop [txtLogStop ro] / Duration [txtLogDuration ro] / Time of day [txtLogTod ro] / "
              "Date [txtLogDate ro] / (Logging off) -Start Log -Stop Log / ");
    EXPECT_EQ(reading(&app.windows.windowLog),
              "[Search numbers, times and comments] 0 records Follow*? / {Picture,Number,Start,"
              "Stop,Duration,Time of Day,Date,Comment 1,Comment 2,} / ");
    // The logging mode list takes the room the buttons beside it need not; the running timecode
    // stands out.
    EXPECT_EQ(rec.btnLogManualVal->width(), rec.btnLogManualVal->sizeHint().width());
    EXPECT_GT(rec.statusText->font().pointSizeF(), 1.4 * rec.txtLogStart->font().pointSizeF());
    // A logging mode the interface reports is not the user's; the user's manual one frees Start.
    app.windows.outlets().cmbLogSelectVal->selectItem(2);
    QApplication::processEvents();
    rec.cmbLogSelectVal->setCurrentIndex(1);
    rec.cmbLogSelectVal->setFocus();
    QTest::keyClick(rec.cmbLogSelectVal, Qt::Key_Down);
    EXPECT_EQ(listed(rec.cmbLogSelectVal) + (rec.btnLogManualVal->isEnabled() ? " Start" : ""),
              "Logging off, Automatic logging, [Manual logging] Start");
}

// Every menu key acts on the records, asks before it destroys, and reaches the interface.
TEST_F(Windows, EveryMenuKeyActsOnTheRecordsOrStaysWithTheTextField) {
    app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
    app.addRecord("2", "01:00:20:00", "", encodedPicture("JPEG", Qt::green));
    app.addRecord("3", "01:00:30:00", "", encodedPicture("TIFF", Qt::blue));
    app.controller.LogActualWrite();
    QTemporaryDir folder;
    const std::string saved = folder.filePath("day.vlg").toStdString();
    app.controller.setPathString(saved);
    // The focus (p the picture, n the number field, m the picture with the interface just
    // connected), the keys, the answer to the alert they bring up, then what shows.
    const std::tuple<char, const char*, const char*, const char*> steps[] = {
        {'p', "Ctrl+Down", "", "1 2 3 #2 Play [rgb]"},
        {'p', "Ctrl+X", "", "1 3 #3 Play [rb-] undo *"},
        {'p', "Ctrl+V", "", "1 2 3 #2 Play [rgb] undo *"},
        {'p', "Delete", "Escape", "1 2 3 #2 Play [rgb] undo *"},
        {'p', "Delete", "Delete", "1 3 #1 Play [-rb] undo *"},
        {'p', "Ctrl+Z", "", "1 2 3 #2 Play [rgb] undo redo *"},
        {'p', "Ctrl+Shift+Z", "", "1 3 #1 Play [-rb] undo *"},
        {'p', "Ctrl+Shift+R", "#42^", "1 3 #1 Play [-rb] undo *"},
        {'n', "Ctrl+Shift+R", "#007", "007 3 #007 Play [-rb] undo *"},
        {'p', "Ctrl+Shift+A", "", "007 3 4 #4 Play [b--] undo *"},
        {'p', "Ctrl+Shift+I", "", "007 3 0 4 #0 Play [b--] undo *"},
        {'p', "Ctrl+E", "", "007 3 0 4 #0 Play [b--] edit undo *"},
        {'p', "Ctrl+Shift+C", "", "007 3 0 4 #0 Stop [b--] chase locked undo *"},
        {'p', "Ctrl+End", "", "007 3 0 4 #0 Stop [b--] chase locked undo *"},
        {'p', "Ctrl+Shift+C", "", "007 3 0 4 #0 Play [b--] edit undo *"},
        {'p', "Ctrl+Up", "", "007 3 0 4 #3 Play [rb-] edit undo *"},
        {'n', "Ctrl+End", "", "007 3 0 4 #4 Play [---] edit undo *"},
        {'n', "Ctrl+Home", "", "007 3 0 4 #007 Play [-rb] edit undo *"},
        {'p', "Ctrl+Down", "", "007 3 0 4 #3 Play [rb-] edit undo *"},
        {'p', "Ctrl+P", "", "007 3 0 4 #3 Play [rb-] edit undo *"},
        {'m', "Ctrl+P", "", "007 3 0 4 #3 Stop [rb-] locked undo *"},
        {'p', "Ctrl+P", "", "007 3 0 4 #3 Play [rb-] edit undo *"},
        {'p', "F11", "Don't Save", "007 3 0 4 #3 Play [rb-] edit full undo *"},
        {'p', "Ctrl+Down", "", "007 3 0 4 #0 Play [b--] edit full undo *"},
        {'p', "Escape", "", "007 3 0 4 #0 Play [b--] edit undo *"},
        {'p', "Ctrl+S", "", "007 3 0 4 #0 Play [b--] edit undo"},
        {'p', "Ctrl+N", "", "# Play [---] edit"},
    };
    for (auto [focus, keys, answer, expected] : steps) {
        SCOPED_TRACE(std::string(1, focus) + " " + keys + " -> " + expected);
        QWidget* on = focus == 'n' ? app.edit.txtEditNr : static_cast<QWidget*>(app.edit.imgEdit);
        if (focus == 'm') {
            app.controller.midiOpenFlag = 1;
            app.edit.btnEditPlayVal->setEnabled(true);
        }
        // Shortcuts need an active window; after an alert the offscreen platform leaves none.
        on->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == on->window(); }));
        on->setFocus();
        QString asked;
        if (*answer)
            press(answer, &asked);
        QTest::keySequence(on, QKeySequence(QString::fromLatin1(keys)));
        EXPECT_TRUE(!*answer || QTest::qWaitFor([&] { return !asked.isEmpty(); }));
        EXPECT_EQ(state(), expected);
    }
    EXPECT_TRUE(std::filesystem::exists(saved));
    app.controller.waitForSends();
    EXPECT_EQ(app.midi.messages().size(), 5u) << "set-up, locate, play, stop time, MMC stop";
}

// In a text field the text editing keys (Delete, cut, copy, paste, undo) act on the typed text,
// never on the records; every other menu key still fires its item, once.
TEST(MenuKeys, ReachTheirItemFromEveryWidgetButTextEditingKeysStayInTextFields) {
    frontend::ApplicationWindows windows;
    const auto& m = windows.menus;
    EditorWindow& edit = windows.windowEdit;
    edit.show();
    edit.txtEditComment2->setReadOnly(true);
    const std::pair<const char*, QWidget*> widgets[] = {
        {"number field", edit.txtEditNr}, {"read-only comment", edit.txtEditComment2}};
    const QList<QAction*> textKeys = {m.undo,       m.redo,        m.cutRecord,
                                      m.copyRecord, m.pasteRecord, m.deleteRecord};
    std::map<QAction*, int> fired;
    for (QAction* action : m.findChildren<QAction*>()) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, [&fired, action] { ++fired[action]; });
    }
    std::string wrong;
    for (auto [name, on] : widgets) {
        on->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == on->window(); }));
        on->setFocus();
        for (QAction* action : m.findChildren<QAction*>())
            for (const QKeySequence& keys : action->shortcuts()) {
                fired.clear();
                QTest::keySequence(on, keys);
                const bool kept = textKeys.contains(action) && qobject_cast<QLineEdit*>(on);
                if (fired[action] != (kept ? 0 : 1) || fired.size() != 1)
                    wrong += std::string(name) + " " + keys.toString().toStdString() + "; ";
            }
    }
    EXPECT_EQ(wrong, "");
}

// Quit and the last window closed ask; Escape or Cancel keeps the unsaved log as it was.
TEST_F(Windows, QuitAsksUntilTheUserLetsTheProgramGo) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("last.vlg").toStdString();
    app.addRecord("1", "01:00:00:00", "");
    app.controller.setPathString(path);
    app.controller.editChangeFlag = 1;
    press("Escape");
    app.windows.menus.quit->trigger();
    app.windows.windowLog.show();
    app.windows.menus.keysAndControls->trigger();
    QPointer<QWidget> help = shownWindow("Keys and Controls");
    ASSERT_FALSE(help.isNull());
    app.windows.menus.behaviourNotes->trigger();  // a window of its own, its own text
    auto* notes = qobject_cast<QTextBrowser*>(shownWindow("Behaviour notes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->toPlainText().startsWith("Behaviour notes"));
    notes->close();
    // No prompt while the Help window keeps the program: one would be answered Save here.
    QPointer<QTimer> early = press("Save");
    app.rec.close();
    app.edit.close();
    app.windows.windowLog.close();
    delete early;
    press("Cancel");
    help->close();
    EXPECT_EQ(state(), "1 # Play [---] *");
}

// Each item of the File menu asks its own question, and Escape answers it.
TEST_F(Windows, EveryFileMenuItemAsksItsOwnQuestionAndEscapeLeavesTheLog) {
    app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
    const auto& m = app.windows.menus;
    const std::string unsaved = "Glimmark File \"Untitled\" has been modified! / ";
    const std::tuple<QAction*, int, std::string> items[] = {
        {m.btnFileNew, 1, unsaved + "Save changes before creating a new file?"},
        {m.btnFileOpen, 0, "Open Log Glimmark files (*.vlg)"},
        {m.btnFileSave, 0, "Save Log As Glimmark files (*.vlg) Untitled.vlg"},
        {m.btnFileSaveAs, 0, "Save Log As Glimmark files (*.vlg) Untitled.vlg"},
        {m.importLog, 1, unsaved + "Do you want to save changes before opening another file?"},
        {m.importLog, 0, "Import Log Log exchange files (*.log)"},
        {m.exportLog, 0, "Export Log Log exchange files (*.log) Untitled.log"},
        {m.btnPictureExport, 0, "Export Picture JPEG pictures (*.jpg) Untitled"},
        {m.btnPictureExportAll, 0, "Export All Pictures JPEG pictures (*.jpg) Untitled"},
        {m.exportEdl, 0, "Export EDL Edit decision lists (*.edl) Untitled.edl"},
        {m.exportCsv, 0, "Export CSV Spreadsheets (CSV) (*.csv) Untitled.csv"},
        {m.exportAle, 0, "Export ALE Avid log exchange files (*.ale) Untitled.ale"},
        {m.exportContactSheet, 0, "Export Contact Sheet PDF documents (*.pdf) Untitled.pdf"},
        {m.exportReport, 0, "Export Report Web pages (*.html) Untitled.html"},
    };
    QString asked;
    std::string expected;
    for (const auto& [item, changed, question] : items) {
        app.controller.editChangeFlag = changed;
        expected += (expected.empty() ? "" : "\n") + question;
        press("Escape", &asked);
        item->trigger();
    }
    EXPECT_EQ(asked.toStdString(), expected);
}

// The documentation's pictures: every window and menu is written, or the run ends in failure.
TEST_F(Windows, TheScreenshotRunWritesEveryWindowOrEndsInFailure) {
    for (const char* number : {"1", "2", "3"})
        app.addRecord(number, "01:00:00:00", "");
    QTemporaryDir folder;
    QFile blocker(folder.filePath("file"));  // a file where a folder was to be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir().mkpath(folder.filePath("menu/menu-edit.png")));  // a folder for a menu's
    for (const auto& [directory, status] :
         {std::pair{folder.filePath("shots"), 0}, std::pair{folder.filePath("file/shots"), 1},
          std::pair{folder.filePath("menu"), 1}}) {
        frontend::grabWindowsOnceLogged(app.windows, app.controller, directory);
        EXPECT_EQ(QApplication::exec(), status) << directory.toStdString();
    }
}

// A picture file dropped on the editor's picture replaces it once the user agrees.
TEST_F(Windows, APictureFileDroppedOnThePictureReplacesItWhenTheUserAgrees) {
    app.addRecord("1", "01:00:00:00", "", encodedPicture("JPEG", Qt::red));
    app.controller.btnLogNaechstes();
    QTemporaryDir folder;
    const QString file = folder.filePath("blue.png");
    QImage blue(64, 36, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(file));
    QString asked;
    press("Replace", &asked);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.edit.imgEdit, &enter);
    QCoreApplication::sendEvent(app.edit.imgEdit, &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return colour(app.edit.imgEdit) == 'b'; })) << state();
    EXPECT_EQ(asked.toStdString(),
              "Glimmark Warning / Do you want to replace this picture with \"blue.png\"?");
}

// The MIDI system picked in the menu rules over the one forced at start-up; the status line
// says which is in use.
TEST_F(Windows, TheMidiMenuPicksTheSystemAndTheInterfacesPort) {
    fake::MidiSystem jack, alsa;
    bool jackAnswers = false;
    jack.plug("vexa ");
    alsa.plug("Desk");
    alsa.plug("Keys");
    platform::SwitchingMidiSystem midi(
        {{"JACK", &jack, [&] { return jackAnswers; }}, {"ALSA", &alsa, {}}},
        [](platform::MidiSystem&, platform::MidiRef) { return false; });
    frontend::forceMidiSystem(midi, "alsa");  // as --midi=alsa forces it
    midi.numberOfDestinations();  // a scan, as the controller's makes them
    QTemporaryDir dir;
    QSettings settings(dir.filePath("glimmark.ini"), QSettings::IniFormat);
    frontend::connectMidiMenu(app.windows, midi, app.controller, settings, "--midi");
    const auto* status = app.rec.findChild<QLabel*>("midiSystemText");
    ASSERT_NE(status, nullptr);
    jackAnswers = true;
    for (auto [item, said] :
         {std::pair{app.windows.menus.midiJack, "MIDI: JACK"},
          std::pair{app.windows.menus.midiAuto, "MIDI: JACK (chosen by itself)"}}) {
        item->trigger();
        midi.numberOfDestinations();
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == said; }))
            << status->text().toStdString();
    }
}

// The saved source and key are read, a run's own source is not saved; the menu in every window.
TEST_F(Windows, TheTimecodeMenuChoosesTheSourceAndF9AndF10WorkTheLogButtons) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("glimmark.ini"), QSettings::IniFormat);
    settings.setValue(frontend::kTimecodeSourceKey, "clock:24");
    settings.setValue("timecode/key", 0x913C);  // the name earlier runs stored the key under
    std::string why;  // the command line's choice is for this run only
    frontend::connectTimecodeMenu(app.windows, app.controller, settings,
                                  timecode::parseSourceChoice("clock:25", why));
    EXPECT_EQ(settings.value(frontend::kTimecodeSourceKey).toString(), "clock:24");
    EXPECT_EQ(app.controller.timecodeSources().takeKey(), 0x913C);
    const auto menu = [&](QMainWindow& window) {
        const QList<QAction*> bar = window.menuBar()->actions();
        return bar.size() < 2 ? "" : menuText({bar[bar.size() - 2]});
    };
    const std::string ticked = "Timecode [Interface; LTC on an Audio Port…; MTC from a MIDI Port…; "
                               "Clock…*; | Start Log F9; Stop Log F10; Start/Stop MIDI Key…; ]; ";
    EXPECT_EQ(menu(app.edit), ticked);
    EXPECT_EQ(menu(app.rec) + menu(app.windows.windowLog), ticked + ticked);
    QList<QAction*> items = app.edit.menuBar()->actions();
    items = items[items.size() - 2]->menu()->actions();
    const auto* status = app.rec.findChild<QLineEdit*>("timecodeStatus");
    // The port, or the clock's rate, as press() answers the question; 24 cancelled. The status
    // line names the source read.
    for (auto [item, pick, says] :
         {std::tuple{3, "=", "Clock"}, std::tuple{3, "29.97", "Clock"},
          std::tuple{3, "24^", "Clock"}, std::tuple{1, "a:ltc", "LTC a:ltc"},
          std::tuple{2, "b:mtc", "MTC b:mtc"}, std::tuple{0, "", ""}}) {
        if (item > 0)
            press(pick);
        items[item]->trigger();
        EXPECT_TRUE(status->text().startsWith(says)) << status->text().toStdString();
    }
}

// While on, the status line and the dialog give the address, as a link and a QR code; on the
// network only while that is ticked.
TEST_F(Windows, ShareLiveLogShowsTheAddressWhileTheLogIsShared) {
    LiveSharing sharing(app.controller, app.codec, &app.pictureConverter, app.rec.shareStatus,
                        &app.rec);
    sharing.showDialog();
    const auto boxes = app.rec.findChild<QDialog*>()->findChildren<QCheckBox*>();
    const auto labels = app.rec.findChild<QDialog*>()->findChildren<QLabel*>();
    ASSERT_EQ(boxes.size() * 10 + labels.size(), 24);  // on, network; about, link, code, why
    const auto said = [&] {
        const QImage code = labels[2]->pixmap().toImage();
        const bool qr = labels[2]->isVisible() && code.pixel(2, 2) == qRgb(255, 255, 255) &&
                        code.pixel(code.width() / 2, code.height() / 2) != code.pixel(2, 2);
        return (app.rec.shareStatus->isVisible() ? app.rec.shareStatus->text() : "-") + " | " +
               labels[1]->text() + (qr ? " | QR" : " | no QR");
    };
    boxes[0]->click();
    const QString url = sharing.url();
    EXPECT_EQ(said(), "Sharing the live log at " + url + " | <a href=\"" + url + "\">" + url +
                          "</a> | QR");
    boxes[1]->click();  // on the network: listening beyond this computer, with a token
    EXPECT_TRUE(boxes[1]->isChecked() && sharing.url().startsWith("http://") &&
                sharing.url().size() > url.size() + 30)
        << sharing.url().toStdString();
    boxes[1]->click();  // off the network again: this computer only
    EXPECT_EQ(sharing.url().left(17), "http://127.0.0.1:");
}

}  // namespace
