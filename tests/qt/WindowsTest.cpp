// The windows as the user meets them: start-up and the capture window's choices, every key of
// the File, Edit and Player menus in one run, the renumber panel, a picture file dropped on the
// editor and the quit prompt.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QWindow>
#include <filesystem>
#include <map>

#include "frontend/CapturePreview.h"
#include "frontend/DeviceComboBox.h"
#include "frontend/MyImageView.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;

// The colour of a picture on show: r, g, b, or - for none.
char colour(const MyImageView* view) {
    const QImage& p = view->picture();
    if (p.isNull())
        return '-';
    const QRgb c = p.pixel(p.width() / 2, p.height() / 2);
    return qRed(c) > 200 ? 'r' : qGreen(c) > 200 ? 'g' : qBlue(c) > 200 ? 'b' : '?';
}

class Windows : public ::testing::Test {
protected:
    // Answers the next alert with the button of that text, and keeps what it asked. The renumber
    // panel is answered by typing: "#007" types 007 and Return, "#42^" types 42 and Escape.
    QTimer* press(const QString& button, QString* asked = nullptr) {
        return app.whenModal([button, asked](QWidget* modal) {
            if (auto* field = modal->findChild<QLineEdit*>(); button.startsWith('#') && field) {
                if (asked)
                    *asked = field->text();  // what the panel offered
                field->selectAll();
                QTest::keyClicks(field, button.mid(1).remove('^'));
                QTest::keyClick(field, button.endsWith('^') ? Qt::Key_Escape : Qt::Key_Return);
                return;
            }
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            if (asked)
                *asked = box->text() + " / " + box->informativeText();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    b->click();
            if (button == "Escape")
                QTest::keyClick(box, Qt::Key_Escape);
        });
    }
    // The record numbers, then what the editor shows: "1 2 3 #2 Play [rgb]", and "chase",
    // "edit", "locked" (navigation off), "full" (full screen) and "*" (unsaved) when so.
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
        return s + (app.controller.editChangeFlag ? " *" : "");
    }

    gui_test::GuiApp app;
};

TEST_F(Windows, StartWithTheEditorInFrontAndNoInterfaceThenTakeTheUsersLoggingAndDeviceChoice) {
    EXPECT_EQ(app.rec.windowHandle()->title(), "Glimmark Capture Tool - Untitled");
    EXPECT_EQ(app.edit.windowHandle()->title(), "Glimmark Editor - Untitled");
    EXPECT_TRUE(app.rec.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &app.edit);
    EXPECT_EQ(state(), "# Play [---]");
    EXPECT_FALSE(app.edit.txtEditNr->isReadOnly());
    EXPECT_FALSE(app.edit.btnEditPlayVal->isEnabled());
    EXPECT_EQ(app.rec.cmbDevicesVal->currentText(), "Select Video Device");
    EXPECT_EQ(app.rec.captureStatus->text(), "Capture off: new logs get no picture");
    EXPECT_FALSE(app.rec.btnLogManualVal->isEnabled());
    EXPECT_EQ(app.rec.statusText->text(), "  not found");  // the first look ran at start-up
    // A logging mode set by the program (the interface reporting its state) is not the
    // user's choice; the user's choice of manual logging frees the start button.
    app.windows.outlets().cmbLogSelectVal->selectItem(2);
    QApplication::processEvents();
    EXPECT_FALSE(app.rec.btnLogManualVal->isEnabled());
    app.rec.cmbLogSelectVal->setCurrentIndex(1);
    app.rec.cmbLogSelectVal->setFocus();
    QTest::keyClick(app.rec.cmbLogSelectVal, Qt::Key_Down);
    EXPECT_TRUE(app.rec.btnLogManualVal->isEnabled());
    // The device list fills as it opens, which chooses nothing; a choice starts the device.
    app.video.devices = {"Cam A", "Test Pattern"};
    DeviceComboBox* list = app.rec.cmbDevicesVal;
    list->showPopup();
    list->hidePopup();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "None");
    EXPECT_EQ(list->itemText(2), "Test Pattern");
    EXPECT_TRUE(app.video.running.empty()) << "opening the list chooses nothing";
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(app.video.running, "Cam A");
    EXPECT_EQ(app.rec.captureStatus->text(), "");
    EXPECT_EQ(app.video.preview, app.rec.mCaptureView);
}

TEST_F(Windows, EveryMenuKeyActsOnTheRecordsOrStaysWithTheTextField) {
    app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
    app.addRecord("2", "01:00:20:00", "", encodedPicture("JPEG", Qt::green));
    app.addRecord("3", "01:00:30:00", "", encodedPicture("TIFF", Qt::blue));
    app.controller.LogActualWrite();
    QTemporaryDir folder;
    const std::string saved = folder.filePath("day.vlg").toStdString();
    app.controller.setPathString(saved);
    struct Step {
        char focus;  // p the picture, n the number field, m the picture with the interface
                     // just connected
        const char* keys;
        const char* answer;  // to the alert the keys bring up
        std::string state;
    } const steps[] = {
        {'p', "Ctrl+Down", "", "1 2 3 #2 Play [rgb]"},
        {'p', "Ctrl+X", "", "1 3 #3 Play [rb-] *"},
        {'p', "Ctrl+V", "", "1 2 3 #2 Play [rgb] *"},
        {'p', "Delete", "Escape", "1 2 3 #2 Play [rgb] *"},
        {'p', "Delete", "Delete", "1 3 #1 Play [-rb] *"},
        {'p', "Ctrl+Z", "", "1 2 3 #2 Play [rgb] *"},
        {'p', "Ctrl+Shift+Z", "", "1 3 #1 Play [-rb] *"},
        {'p', "Ctrl+Shift+R", "#42^", "1 3 #1 Play [-rb] *"},
        {'n', "Ctrl+Shift+R", "#007", "007 3 #007 Play [-rb] *"},
        {'p', "Ctrl+Shift+A", "", "007 3 4 #4 Play [b--] *"},
        {'p', "Ctrl+Shift+I", "", "007 3 0 4 #0 Play [b--] *"},
        {'p', "Ctrl+E", "", "007 3 0 4 #0 Play [b--] edit *"},
        {'p', "Ctrl+Shift+C", "", "007 3 0 4 #0 Stop [b--] chase locked *"},
        {'p', "Ctrl+End", "", "007 3 0 4 #0 Stop [b--] chase locked *"},
        {'p', "Ctrl+Shift+C", "", "007 3 0 4 #0 Play [b--] edit *"},
        {'p', "Ctrl+Up", "", "007 3 0 4 #3 Play [rb-] edit *"},
        {'n', "Ctrl+End", "", "007 3 0 4 #4 Play [---] edit *"},
        {'n', "Ctrl+Home", "", "007 3 0 4 #007 Play [-rb] edit *"},
        {'p', "Ctrl+Down", "", "007 3 0 4 #3 Play [rb-] edit *"},
        {'p', "Ctrl+P", "", "007 3 0 4 #3 Play [rb-] edit *"},
        {'m', "Ctrl+P", "", "007 3 0 4 #3 Stop [rb-] locked *"},
        {'p', "Ctrl+P", "", "007 3 0 4 #3 Play [rb-] edit *"},
        {'p', "F11", "Don't Save", "007 3 0 4 #3 Play [rb-] edit full *"},
        {'p', "Ctrl+Down", "", "007 3 0 4 #0 Play [b--] edit full *"},
        {'p', "Escape", "", "007 3 0 4 #0 Play [b--] edit *"},
        {'p', "Ctrl+S", "", "007 3 0 4 #0 Play [b--] edit"},
        {'p', "Ctrl+N", "", "# Play [---] edit"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(1, s.focus) + " " + s.keys + " -> " + s.state);
        QWidget* focus =
            s.focus == 'n' ? app.edit.txtEditNr : static_cast<QWidget*>(app.edit.imgEdit);
        if (s.focus == 'm') {
            app.controller.midiOpenFlag = 1;
            app.edit.btnEditPlayVal->setEnabled(true);
        }
        // Shortcuts need an active window; after an alert the offscreen platform leaves none.
        focus->window()->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QApplication::activeWindow() == focus->window(); }));
        focus->setFocus();
        QString asked;
        QTimer* alert = *s.answer ? press(s.answer, &asked) : nullptr;
        QTest::keySequence(focus, QKeySequence(QString::fromLatin1(s.keys)));
        if (alert != nullptr) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }));
        }
        EXPECT_EQ(state(), s.state);
    }
    EXPECT_TRUE(std::filesystem::exists(saved));
    app.controller.waitForSends();
    EXPECT_EQ(app.midi.messages().size(), 5u) << "set-up, locate, play, stop time, MMC stop";
}

// Asks for every key before the menus get it, as a text field on the desktop asks for Ctrl+E
// (end of line); the offscreen platform's text fields ask for none of the menus' keys.
struct KeyHungryWidget final : QWidget {
    bool event(QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return QWidget::event(event);
        event->accept();
        return true;
    }
};

// Each key of the menus from each kind of widget that can have the keyboard: the menu item
// fires, once, except for the keys of text editing in a text field, which the field keeps.
TEST(MenuKeys, ReachTheirItemFromEveryWidgetButTextEditingKeysStayInTextFields) {
    frontend::ApplicationWindows windows;
    CaptureWindow& rec = windows.windowRec;
    EditorWindow& edit = windows.windowEdit;
    rec.show();
    edit.show();
    edit.txtEditComment2->setReadOnly(true);
    auto* hungry = new KeyHungryWidget;
    hungry->setParent(edit.centralWidget());
    hungry->setFocusPolicy(Qt::StrongFocus);
    const std::pair<const char*, QWidget*> widgets[] = {
        {"number field", edit.txtEditNr},           {"read-only comment", edit.txtEditComment2},
        {"button", edit.btnLogNaechstesVal},        {"check box", edit.chkEditModeVal},
        {"radio button", edit.btnPlayerFps25Val},   {"picture", edit.imgEdit},
        {"widget asking for every key", hungry},    {"device list", rec.cmbDevicesVal},
        {"logging mode list", rec.cmbLogSelectVal},
    };
    const QList<QAction*> textKeys = {windows.menus.undo,        windows.menus.redo,
                                      windows.menus.cutRecord,   windows.menus.copyRecord,
                                      windows.menus.pasteRecord, windows.menus.deleteRecord};
    std::map<QAction*, int> fired;
    for (QAction* action : windows.menus.findChildren<QAction*>()) {
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, [&fired, action] { ++fired[action]; });
    }
    std::string wrong;
    for (auto [name, widget] : widgets) {
        widget->window()->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([w = widget] { return QApplication::activeWindow() == w->window(); }));
        widget->setFocus();
        for (QAction* action : windows.menus.findChildren<QAction*>())
            for (const QKeySequence& keys : action->shortcuts()) {
                fired.clear();
                QTest::keySequence(widget, keys);
                const bool kept = textKeys.contains(action) && qobject_cast<QLineEdit*>(widget);
                if (fired[action] != (kept ? 0 : 1) || fired.size() != 1)
                    wrong += std::string(name) + " " + keys.toString().toStdString() + "; ";
            }
    }
    EXPECT_EQ(wrong, "");
}

// Typed slowly across the log stop that refreshes its record, a comment stays whole.
TEST_F(Windows, ACommentTypedAcrossALogStopIsKeptWhole) {
    const auto device = [](std::uint8_t event, std::uint8_t seconds) {
        const std::vector<std::uint8_t> message{0xF0, 0x2C,    0x4D, 0x67, event, 1,
                                                0,    seconds, 0,    0,    0xF7};
        myReadProc(platform::makeMidiPacketList(message), nullptr, nullptr);
    };
    device(0x01, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.edit.txtEditStart->text().isEmpty(); }));
    app.edit.chkEditModeVal->click();
    app.edit.txtEditComment1->setFocus();
    QTest::keyClicks(app.edit.txtEditComment1, "abcdefghijk");
    device(0x02, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.edit.txtEditStop->text().isEmpty(); }));
    QTest::keyClicks(app.edit.txtEditComment1, "lmnopqrstuvwxyz");
    app.edit.btnLogNaechstesVal->click();
    EXPECT_EQ(app.controller.logStartArray.text(LogList::indexOf(1, kFieldComment1)),
              "abcdefghijklmnopqrstuvwxyz");
}

// The formats are Qt's image plugins' business; one dropped PNG proves the drag reaches the
// controller and what is stored is a TIFF of the file.
TEST_F(Windows, ADroppedPictureFileReplacesThePictureWithATiffOfIt) {
    app.addRecord("1", "01:00:00:00", "", encodedPicture("JPEG", Qt::green));
    app.controller.LogActualWrite();
    QTemporaryDir dir;
    const QString path = dir.filePath("still.png");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 100, 0));
    ASSERT_TRUE(image.save(path, "PNG"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = app.edit.imgEdit->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.edit.imgEdit, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.edit.imgEdit, &drop);
    QString asked;
    press("Replace", &asked);
    // The question comes once the drop is over.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }));
    EXPECT_TRUE(asked.contains("still.png")) << asked.toStdString();
    const Picture& stored =
        app.controller.logStartArray.picture(LogList::indexOf(1, kFieldPicture));
    ASSERT_GE(stored.size(), 4u);
    EXPECT_TRUE((stored[0] == 'I' && stored[1] == 'I' && stored[2] == 42) ||
                (stored[0] == 'M' && stored[1] == 'M' && stored[3] == 42));
    EXPECT_EQ(QImage::fromData(stored.data(), int(stored.size())).size(), QSize(40, 30));
    const QImage shown = app.edit.imgEdit->picture();
    EXPECT_NEAR(qRed(shown.pixel(shown.width() / 2, shown.height() / 2)), 200, 8);
}

// The prompt comes for the Quit command and when the last window closes, the log and Help
// windows counted; Escape or Cancel keeps the program and its windows as they were, and the
// next attempt asks again. Once the user lets the program go, nothing asks a second time.
TEST_F(Windows, QuitAsksUntilTheUserLetsTheProgramGo) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("last.vlg").toStdString();
    app.addRecord("1", "01:00:00:00", "");
    app.controller.setPathString(path);
    app.controller.editChangeFlag = 1;
    QString asked;
    press("Escape", &asked);
    app.windows.menus.quit->trigger();
    EXPECT_EQ(asked,
              "File \"last.vlg\" has been modified! / Save changes before closing Glimmark?");
    app.windows.windowLog.show();
    app.windows.menus.keysAndControls->trigger();
    QPointer<QWidget> help;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle() == "Keys and Controls")
            help = window;
    ASSERT_FALSE(help.isNull());
    QPointer<QTimer> early = press("Save");
    for (QWidget* window :
         std::initializer_list<QWidget*>{&app.rec, &app.edit, &app.windows.windowLog})
        window->close();
    EXPECT_TRUE(early && early->isActive()) << "asked while the Help window keeps the program";
    delete early;
    asked.clear();
    press("Cancel", &asked);
    help->close();
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_TRUE(help->isVisible()) << "the last window stays";
    EXPECT_EQ(state(), "1 # Play [---] *");
    EXPECT_FALSE(std::filesystem::exists(path));

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

// Help: the README's keys and the behaviour notes in windows of their own, and About Glimmark
// naming the libraries the program was given besides Qt.
TEST_F(Windows, HelpShowsTheKeysTheNotesAndTheLibraries) {
    app.windows.aboutLibraries = {"GStreamer 9.9"};
    QString about;
    press("OK", &about);
    app.windows.menus.about->trigger();
    EXPECT_TRUE(about.contains("Qt " + QString(qVersion()))) << about.toStdString();
    EXPECT_TRUE(about.contains("GStreamer 9.9")) << about.toStdString();
    for (auto [item, title, line] :
         {std::tuple{app.windows.menus.keysAndControls, "Keys and Controls", "Ctrl+G"},
          std::tuple{app.windows.menus.behaviourNotes, "Behaviour notes", "Log and device events"}}) {
        item->trigger();
        QTextBrowser* shown = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->windowTitle() == title)
                shown = qobject_cast<QTextBrowser*>(window);
        ASSERT_NE(shown, nullptr) << title;
        EXPECT_TRUE(shown->toPlainText().contains(line)) << title;
        const QPointer<QTextBrowser> window = shown;
        ASSERT_TRUE(QTest::qWaitForWindowActive(shown)) << title;
        QTest::keyClick(shown, Qt::Key_Escape);
        EXPECT_TRUE(window.isNull() || !window->isVisible()) << title << " stays on Escape";
    }
}

// In edit mode Tab goes from the number through the times to the comments, as they read.
TEST_F(Windows, TabReachesEveryFieldThatCanBeTypedInInReadingOrder) {
    app.addRecord("1", "10:00:00:00", "10:00:05:00");
    app.controller.LogActualWrite();
    app.edit.chkEditModeVal->click();
    app.edit.txtEditNr->setFocus();
    QStringList reached;
    for (int k = 0; k < 7; ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(reached.join(' ').toStdString(),
              "btnEditLogNr btnLogVorherVal btnLogNaechstesVal txtEditStart txtEditStop "
              "txtEditComment1 txtEditComment2");
}

}  // namespace
