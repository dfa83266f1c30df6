// The windows as the user meets them: start-up, every menu key, the quit prompt, the menus.

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <filesystem>
#include <map>

#include "frontend/CapturePreview.h"
#include "frontend/DeviceComboBox.h"
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

TEST_F(Windows, StartWithTheEditorInFrontAndNoInterfaceThenTakeTheUsersLoggingAndDeviceChoice) {
    CaptureWindow& rec = app.rec;
    EXPECT_EQ(rec.windowHandle()->title() + " / " + app.edit.windowHandle()->title(),
              "Glimmark Capture Tool - Untitled / Glimmark Editor - Untitled");
    EXPECT_TRUE(rec.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &app.edit);
    EXPECT_EQ(state(), "# Play [---]");
    EXPECT_EQ(rec.captureStatus->text(), "Capture off: new logs get no picture");
    EXPECT_EQ(rec.statusText->text(), "  not found");  // the first look ran at start-up
    // The menus, the same in every window, and what each window shows where.
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
    EXPECT_EQ(menuText(rec.menuBar()->actions()), menus);
    app.windows.windowLog.show();
    EXPECT_EQ(menuText(app.windows.windowLog.menuBar()->actions()), menus);
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
    // The picture on show twice as wide as its neighbours, the logging mode list taking the room
    // the buttons beside it need not, the running timecode standing out.
    EXPECT_NEAR(app.edit.imgEdit->width(), 2 * app.edit.imgEditPre->width(), 8);
    EXPECT_EQ(rec.btnLogManualVal->width(), rec.btnLogManualVal->sizeHint().width());
    EXPECT_GT(rec.statusText->font().pointSizeF(), 1.4 * rec.txtLogStart->font().pointSizeF());
    // A logging mode the interface reports is not the user's; the user's manual one frees Start.
    app.windows.outlets().cmbLogSelectVal->selectItem(2);
    QApplication::processEvents();
    EXPECT_FALSE(rec.btnLogManualVal->isEnabled());
    rec.cmbLogSelectVal->setCurrentIndex(1);
    rec.cmbLogSelectVal->setFocus();
    QTest::keyClick(rec.cmbLogSelectVal, Qt::Key_Down);
    EXPECT_EQ(listed(rec.cmbLogSelectVal) + (rec.btnLogManualVal->isEnabled() ? " Start" : ""),
              "Logging off, Automatic logging, [Manual logging] Start");
    // The device list fills as it opens, which chooses nothing; a choice starts the device.
    app.video.devices = {"Cam A", "Test Pattern"};
    DeviceComboBox* list = rec.cmbDevicesVal;
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(listed(list).toStdString() + " " + app.video.running, "[None], Cam A, Test Pattern ");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(app.video.running + " " + rec.captureStatus->text().toStdString(), "Cam A ");
    EXPECT_EQ(app.video.preview, rec.mCaptureView);
}

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
        ASSERT_TRUE(gui_test::focused(on));
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

// Asks for every key first, as a desktop text field asks for Ctrl+E; offscreen ones ask for none.
struct KeyHungryWidget final : QWidget {
    explicit KeyHungryWidget(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride)
            event->accept();
        return event->type() == QEvent::ShortcutOverride || QWidget::event(event);
    }
};

// Each menu key from each kind of widget fires its item once, but text fields keep their own.
TEST(MenuKeys, ReachTheirItemFromEveryWidgetButTextEditingKeysStayInTextFields) {
    frontend::ApplicationWindows windows;
    const auto& m = windows.menus;
    CaptureWindow& rec = windows.windowRec;
    EditorWindow& edit = windows.windowEdit;
    rec.show();
    edit.show();
    edit.txtEditComment2->setReadOnly(true);
    const std::pair<const char*, QWidget*> widgets[] = {
        {"number field", edit.txtEditNr},         {"read-only comment", edit.txtEditComment2},
        {"button", edit.btnLogNaechstesVal},      {"check box", edit.chkEditModeVal},
        {"radio button", edit.btnPlayerFps25Val}, {"picture", edit.imgEdit},
        {"device list", rec.cmbDevicesVal},       {"logging mode list", rec.cmbLogSelectVal},
        {"widget asking for every key", new KeyHungryWidget(edit.centralWidget())},
    };
    const QList<QAction*> textKeys = {m.undo,       m.redo,        m.cutRecord,
                                      m.copyRecord, m.pasteRecord, m.deleteRecord};
    std::map<QAction*, int> fired;
    for (QAction* action : m.findChildren<QAction*>()) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, [&fired, action] { ++fired[action]; });
    }
    std::string wrong;
    for (auto [name, on] : widgets) {
        ASSERT_TRUE(gui_test::focused(on));
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

// Quit and the last window closed ask; Escape or Cancel keeps everything; a yes asks no more.
TEST_F(Windows, QuitAsksUntilTheUserLetsTheProgramGo) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("last.vlg").toStdString();
    app.addRecord("1", "01:00:00:00", "");
    app.controller.setPathString(path);
    app.controller.editChangeFlag = 1;
    QString asked;
    press("Escape", &asked);
    app.windows.menus.quit->trigger();
    EXPECT_EQ(asked, "Glimmark File \"last.vlg\" has been modified! / "
                     "Save changes before closing Glimmark?");
    app.windows.windowLog.show();
    app.windows.menus.keysAndControls->trigger();
    QPointer<QWidget> help = shownWindow("Keys and Controls");
    ASSERT_FALSE(help.isNull());
    app.windows.menus.behaviourNotes->trigger();  // a window of its own, its own text
    auto* notes = qobject_cast<QTextBrowser*>(shownWindow("Behaviour notes"));
    ASSERT_TRUE(notes != nullptr && notes != help);
    EXPECT_TRUE(notes->toPlainText().startsWith("Behaviour notes"));
    notes->close();
    QPointer<QTimer> early = press("Save");
    app.rec.close();
    app.edit.close();
    app.windows.windowLog.close();
    EXPECT_TRUE(early && early->isActive()) << "asked while the Help window keeps the program";
    delete early;
    asked.clear();
    press("Cancel", &asked);
    help->close();
    EXPECT_EQ(state() + (asked.isEmpty() ? " not asked" : "") + (help->isVisible() ? "" : " gone") +
                  (std::filesystem::exists(path) ? " saved" : ""),
              "1 # Play [---] *");  // the last window stays

    press("Save");
    help->close();
    EXPECT_TRUE(help.isNull() || !help->isVisible());
    EXPECT_TRUE(std::filesystem::exists(path));
    app.controller.editChangeFlag = 1;
    QTimer* second = press("Don't Save");
    app.windows.menus.quit->trigger();
    QTest::qWait(100);
    EXPECT_TRUE(second->isActive()) << "a second prompt";
}

// Each item of the File menu asks its own question; Escape at each leaves the log as it was.
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
    const std::string before = state();
    QString asked;
    std::string expected;
    for (const auto& [item, changed, question] : items) {
        app.controller.editChangeFlag = changed;
        expected += (expected.empty() ? "" : "\n") + question;
        press("Escape", &asked);
        item->trigger();
    }
    EXPECT_EQ(asked.toStdString(), expected);
    EXPECT_EQ(state(), before);
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
    EXPECT_EQ(QDir(folder.filePath("shots")).entryList(QDir::Files).size(), 6)  // windows and menus
        << QDir(folder.filePath("shots")).entryList().join(' ').toStdString();
}

// The editor's buttons do what their titles say: Copy leaves the record, Cut takes it out.
TEST_F(Windows, TheEditorsCopyButtonLeavesTheRecordAndCutTakesItOut) {
    app.addRecord("1", "01:00:00:00", "", encodedPicture("JPEG", Qt::red));
    app.addRecord("2", "01:00:20:00", "", encodedPicture("JPEG", Qt::green));
    app.controller.LogActualWrite();
    const auto click = [this](const QString& title) {
        for (QPushButton* button : app.edit.findChildren<QPushButton*>())
            if (button->text() == title)
                button->click();
        return state();
    };
    EXPECT_EQ(click("Copy"), "1 2 #1 Play [-rg]");
    EXPECT_EQ(click("Cut"), "2 #2 Play [-g-] undo *");
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

// A pick rules over the start-up choice and is remembered; a port picked stays offered once gone.
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
    // The ports offered, the chosen one in brackets, as the pick leaves the port.
    const auto offered = [&](const std::string& pick) {
        QString asked;
        press(QString::fromStdString(pick), &asked);
        app.windows.menus.interfacePort->trigger();
        return asked.toStdString() + " -> " + app.controller.interfacePort;
    };
    const auto* status = app.rec.findChild<QLabel*>("midiSystemText");
    ASSERT_TRUE(status != nullptr && app.rec.statusBar()->isAncestorOf(status));
    EXPECT_EQ(status->text() + (app.windows.menus.midiAlsa->isChecked() ? " ALSA ticked" : ""),
              "MIDI: ALSA (set by --midi) ALSA ticked");
    const std::string byName = "Found by its name (“vexa ”)";
    EXPECT_EQ(offered("ALSA: Keys"), "[" + byName + "], ALSA: Desk, ALSA: Keys -> Keys");
    jackAnswers = true;
    EXPECT_EQ(offered(byName + "^"), byName + ", JACK: vexa , ALSA: Desk, [ALSA: Keys] -> Keys");
    alsa.unplug(1);
    const std::string gone = byName + ", JACK: vexa , ALSA: Desk, [Keys (not found now)] -> ";
    EXPECT_EQ(offered("Keys (not found now)"), gone + "Keys");
    EXPECT_EQ(offered(byName), gone);
    for (auto [item, key, said] :
         {std::tuple{app.windows.menus.midiJack, "jack", "MIDI: JACK"},
          std::tuple{app.windows.menus.midiAuto, "auto", "MIDI: JACK (chosen by itself)"}}) {
        item->trigger();
        midi.numberOfDestinations();
        EXPECT_EQ(settings.value(frontend::kMidiSystemKey).toString(), key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == said; }))
            << status->text().toStdString();
    }
    // Each choice under its own key: the system picked last did not overwrite the port.
    EXPECT_EQ(settings.value(frontend::kInterfacePortKey, "unset").toString(), "");
}

// The source ticked is the one remembered; a cancelled question leaves it; F9, F10 when usable.
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
    // The port, or the clock's rate, as press() answers the question; 24 cancelled.
    for (auto [item, pick, remembered, says] :
         {std::tuple{3, "=", "clock:25", "Clock"}, std::tuple{3, "29.97", "clock:29.97", "Clock"},
          std::tuple{3, "24^", "clock:29.97", "Clock"},
          std::tuple{1, "a:ltc", "ltc:a:ltc", "LTC a:ltc"},
          std::tuple{2, "b:mtc", "mtc:b:mtc", "MTC b:mtc"}, std::tuple{0, "", "interface", ""}}) {
        if (item > 0)
            press(pick);
        items[item]->trigger();
        EXPECT_EQ(settings.value(frontend::kTimecodeSourceKey).toString(), remembered);
        EXPECT_TRUE(items[std::string("ilmc").find(remembered[0])]->isChecked())  // by its kind
            << remembered;
        EXPECT_TRUE(status->text().startsWith(says)) << status->text().toStdString();
    }
    int starts = 0, stops = 0;
    QObject::connect(app.rec.btnLogManualVal, &QPushButton::clicked, [&] { ++starts; });
    QObject::connect(app.rec.btnLogManualStopVal, &QPushButton::clicked, [&] { ++stops; });
    items[5]->trigger();
    app.rec.btnLogManualVal->setEnabled(true);
    items[5]->trigger();
    app.rec.btnLogManualStopVal->setEnabled(true);
    items[6]->trigger();
    EXPECT_EQ(std::pair(starts, stops), std::pair(1, 1));
}

// While on, the status line and the dialog give the address, as a link and a QR code.
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
    EXPECT_EQ(said(), "- | Not shared. | no QR");
    boxes[0]->click();
    const QString url = sharing.url();
    EXPECT_TRUE(url.startsWith("http://127.0.0.1:") && labels[1]->openExternalLinks())
        << url.toStdString();
    EXPECT_EQ(said(), "Sharing the live log at " + url + " | <a href=\"" + url + "\">" + url +
                          "</a> | QR");
    // Where another program listens already, the dialog says why it cannot share.
    QWidget window;
    LiveSharing second(app.controller, app.codec, nullptr, nullptr, &window);
    std::string why;
    ASSERT_FALSE(second.start({"127.0.0.1", QUrl(url).port()}, false, why));
    second.showDialog();
    window.findChild<QDialog*>()->findChild<QCheckBox*>()->click();
    EXPECT_EQ(window.findChild<QDialog*>()->findChildren<QLabel*>()[3]->text().toStdString(), why);
    boxes[1]->click();  // on the network: listening beyond this computer, with a token
    EXPECT_TRUE(boxes[1]->isChecked() && sharing.url().startsWith("http://") &&
                sharing.url().size() > url.size() + 30)
        << sharing.url().toStdString();
    boxes[1]->click();  // off the network again: this computer only
    EXPECT_EQ(sharing.url().left(17), "http://127.0.0.1:");
    boxes[0]->click();
    EXPECT_EQ(said(), "- | Not shared. | no QR");
}

}  // namespace
