// The player's controls and keys in the editor window, typed timecodes, and where the windows
// go on the screen.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/WindowPlacement.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::waitFor;

class PlayerWindow : public ::testing::Test {
protected:
    PlayerWindow() {
        app.addRecord("1", "10:00:00:00", "10:00:05:00");
        app.addRecord("2", "10:00:10:00", "");
        app.controller.LogActualWrite();
    }
    std::size_t sentCount() {
        app.controller.waitForSends();
        return app.midi.messages().size();
    }
    void ctrl(int key, Qt::KeyboardModifiers more = {}) {
        QTest::keyClick(app.edit.txtEditNr, static_cast<Qt::Key>(key), Qt::ControlModifier | more);
    }
    gui_test::GuiApp app;
};

TEST_F(PlayerWindow, CtrlPPlaysAndStopsOnlyWhileTheInterfaceIsConnected) {
    EXPECT_FALSE(app.edit.btnEditPlayVal->isEnabled()) << "no interface at start-up";
    ctrl(Qt::Key_P);
    EXPECT_EQ(sentCount(), 0u);
    EXPECT_EQ(app.edit.btnEditPlayVal->text(), "Play");

    app.controller.midiOpenFlag = 1;
    app.edit.btnEditPlayVal->setEnabled(true);
    app.edit.btnPlayerFps30Val->click();
    EXPECT_EQ(app.field(0, 4), "96");
    ctrl(Qt::Key_P);
    ASSERT_EQ(sentCount(), 4u);
    EXPECT_EQ(app.midi.messages()[1][7], 0x6A) << "locate at 30 fps";
    EXPECT_EQ(app.edit.btnEditPlayVal->text(), "Stop");
    EXPECT_FALSE(app.edit.btnLogNaechstesVal->isEnabled());
    EXPECT_FALSE(app.windows.menus.btnMenuEditNextVal->isEnabled());
    ctrl(Qt::Key_P);
    EXPECT_EQ(sentCount(), 5u);
    EXPECT_EQ(app.edit.btnEditPlayVal->text(), "Play");
    EXPECT_TRUE(app.edit.btnLogNaechstesVal->isEnabled());
}

TEST_F(PlayerWindow, ChaseFromTheBoxOrTheKeyLocksNavigationAndKeepsBothTicksInStep) {
    ctrl(Qt::Key_C, Qt::ShiftModifier);
    EXPECT_TRUE(app.edit.chkEditChaseModeVal->isChecked());
    EXPECT_TRUE(app.windows.menus.chase->isChecked());
    EXPECT_FALSE(app.edit.btnLogVorherVal->isEnabled());
    EXPECT_FALSE(app.edit.btnEditPlayVal->isEnabled());
    app.windows.menus.btnMenuEditNextVal->trigger();  // disabled: nothing moves
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");

    app.edit.chkEditChaseModeVal->click();
    EXPECT_FALSE(app.windows.menus.chase->isChecked());
    EXPECT_TRUE(app.edit.btnLogVorherVal->isEnabled());
    EXPECT_EQ(app.edit.btnEditPlayVal->text(), "Play");
}

TEST_F(PlayerWindow, EditModeLetsTimecodesAndCommentsBeTypedAndStored) {
    EXPECT_TRUE(app.edit.txtEditStart->isReadOnly());
    ctrl(Qt::Key_E);
    EXPECT_TRUE(app.edit.chkEditModeVal->isChecked());
    EXPECT_FALSE(app.edit.txtEditStart->isReadOnly());
    EXPECT_FALSE(app.edit.txtEditComment2->isReadOnly());

    app.edit.txtEditStart->setFocus();
    app.edit.txtEditStart->selectAll();
    QTest::keyClicks(app.edit.txtEditStart, "9.59.58");
    QTest::keyClick(app.edit.txtEditStart, Qt::Key_Return);
    EXPECT_EQ(app.edit.txtEditStart->text(), "09:59:58:00");
    EXPECT_EQ(app.field(1, kFieldStart), "09:59:58:00");
    EXPECT_EQ(app.edit.txtEditDuration->text(), "00:00:07");

    // Leaving the stop field after emptying it commits it too.
    app.edit.txtEditStop->setFocus();
    app.edit.txtEditStop->selectAll();
    QTest::keyClick(app.edit.txtEditStop, Qt::Key_Delete);
    app.edit.txtEditComment2->setFocus();
    ASSERT_TRUE(waitFor([&] { return app.field(1, kFieldStop).empty(); }));
    QTest::keyClicks(app.edit.txtEditComment2, "mic 2 off");
    app.edit.btnLogNaechstesVal->click();
    EXPECT_EQ(app.field(1, kFieldComment2), "mic 2 off");
}

TEST(WindowPlacement, TheWindowsShareTheScreenWithoutCoveringEachOther) {
    struct Case {
        const char* screen;
        QRect available;
        bool stacked;
    };
    const QSize captureMinimum(500, 450), editorMinimum(700, 600);
    for (const Case& c : {Case{"full HD", QRect(0, 0, 1920, 1040), false},
                          Case{"panel at the left", QRect(64, 27, 1856, 1053), false},
                          Case{"portrait", QRect(0, 0, 1080, 1900), true}}) {
        SCOPED_TRACE(c.screen);
        const auto [capture, editor] =
            platform::qt::sideBySide(c.available, captureMinimum, editorMinimum);
        EXPECT_FALSE(capture.intersects(editor));
        EXPECT_TRUE(c.available.contains(capture));
        EXPECT_TRUE(c.available.contains(editor));
        EXPECT_EQ(capture.bottom() < editor.top(), c.stacked);
        EXPECT_GE(editor.width(), editorMinimum.width());
        EXPECT_GE(editor.height(), editorMinimum.height());
        EXPECT_GE(capture.width(), captureMinimum.width());
        EXPECT_GE(capture.height(), captureMinimum.height());
    }
}

TEST(WindowPlacement, EachWindowComesBackWhereItWasLeft) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("glimmark.conf")), QSettings::IniFormat);
    QRect captureAt, editorAt;
    {
        QWidget capture, editor;
        platform::qt::placeWindows(capture, editor, settings);
        capture.setGeometry(40, 50, 300, 200);
        editor.setGeometry(360, 70, 420, 380);
        capture.show();
        editor.show();
        captureAt = capture.geometry();
        editorAt = editor.geometry();
        platform::qt::saveWindowPlaces(capture, editor, settings);
    }
    QWidget capture, editor;
    platform::qt::placeWindows(capture, editor, settings);
    EXPECT_EQ(capture.geometry(), captureAt);
    EXPECT_EQ(editor.geometry(), editorAt);
}

}  // namespace
