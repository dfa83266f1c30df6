// Chase mode over quarter frames from a receive thread, and the picture full screen.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "platform/MidiPacketList.h"
#include "platform/qt/MyImageView.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;
using gui_test::waitFor;
using gui_test::whenModal;

class ChaseAndFullScreen : public ::testing::Test {
protected:
    ChaseAndFullScreen() {
        app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
        app.addRecord("2", "01:00:20:00", "", encodedPicture("JPEG", Qt::green));
        app.controller.LogActualWrite();
    }

    // The quarter frames of a run of timecodes, sent from a thread of their own as the MIDI
    // system would send them.
    static void runTimecode(int hours, int minutes, int fromSecond, int toSecond) {
        std::thread receiver([=] {
            for (int s = fromSecond; s <= toSecond; ++s) {
                const int v[8] = {
                    0, 0, s & 0x0F, s >> 4, minutes & 0x0F, minutes >> 4, hours & 0x0F, hours >> 4};
                for (int piece = 0; piece < 8; ++piece) {
                    const std::uint8_t bytes[] = {0xF1,
                                                  static_cast<std::uint8_t>(piece << 4 | v[piece])};
                    myReadProc(platform::makeMidiPacketList(bytes), nullptr, nullptr);
                }
            }
        });
        receiver.join();
    }
    bool imgEditIsFullScreen() const {
        return app.edit.imgEdit->isWindow() && app.edit.imgEdit->isFullScreen();
    }

    gui_test::GuiApp app;
};

TEST_F(ChaseAndFullScreen, ChaseFollowsTheRunningTimecode) {
    runTimecode(1, 0, 21, 22);
    ASSERT_TRUE(waitFor([&] { return app.rec.statusText->text() == "  01:00:22:00"; }));
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");  // chase off: the editor stays

    app.edit.chkEditChaseModeVal->click();
    runTimecode(1, 0, 3, 5);
    ASSERT_TRUE(waitFor([&] { return app.rec.statusText->text() == "  01:00:05:00"; }));
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");
    runTimecode(1, 0, 10, 12);  // record 1 has ended, record 2 has not begun: no move
    ASSERT_TRUE(waitFor([&] { return app.rec.statusText->text() == "  01:00:12:00"; }));
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");
    runTimecode(1, 0, 21, 21);  // record 2 has begun and has no stop yet
    ASSERT_TRUE(waitFor([&] { return app.edit.txtEditNr->text() == "2"; }));
    EXPECT_EQ(app.edit.txtEditStart->text(), "01:00:20:00");
    EXPECT_GT(qGreen(app.edit.imgEdit->picture().pixel(4, 4)), 200);
    EXPECT_GT(qRed(app.edit.imgEditPre->picture().pixel(4, 4)), 200);
}

TEST_F(ChaseAndFullScreen, FullScreenAndBackByEscape) {
    QWidget* home = app.edit.imgEdit->parentWidget();
    app.edit.btnFullScreen->click();
    EXPECT_EQ(app.controller.fullScreenMode, 1);
    EXPECT_TRUE(imgEditIsFullScreen());

    // Navigation still works, and the full-screen picture follows the record.
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == app.edit.imgEdit; }));
    QTest::keyClick(app.edit.imgEdit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(app.controller.logEditPos, 2);
    EXPECT_GT(qGreen(app.edit.imgEdit->picture().pixel(4, 4)), 200);

    QTest::keyClick(app.edit.imgEdit, Qt::Key_Escape);
    EXPECT_EQ(app.controller.fullScreenMode, 0);
    EXPECT_FALSE(imgEditIsFullScreen());
    EXPECT_EQ(app.edit.imgEdit->parentWidget(), home);
    EXPECT_TRUE(app.edit.imgEdit->isVisible());

    QTest::keyClick(app.edit.imgEdit, Qt::Key_Escape);  // a second Escape does nothing
    EXPECT_EQ(app.edit.imgEdit->parentWidget(), home);
    EXPECT_EQ(app.controller.fullScreenMode, 0);

    app.windows.menus.fullScreen->trigger();
    EXPECT_TRUE(imgEditIsFullScreen());
    app.windows.menus.exitFullScreen->trigger();
    EXPECT_FALSE(imgEditIsFullScreen());
    EXPECT_EQ(app.controller.fullScreenMode, 0);
}

TEST_F(ChaseAndFullScreen, UnsavedChangesAskFirst) {
    app.controller.editChangeFlag = 1;
    QString asked;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        asked = box->text();
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == "Cancel")
                b->click();
        }
    });
    app.edit.btnFullScreen->click();
    EXPECT_EQ(asked, "File \"Untitled\" has been modified!");
    EXPECT_FALSE(imgEditIsFullScreen());
    EXPECT_EQ(app.controller.editChangeFlag, 1);

    whenModal([&](QWidget* modal) {
        for (QAbstractButton* b : qobject_cast<QMessageBox*>(modal)->buttons()) {
            if (b->text() == "Don't Save")
                b->click();
        }
    });
    app.edit.btnFullScreen->click();
    EXPECT_TRUE(imgEditIsFullScreen());
    // Not saved, so still unsaved: quitting asks about them.
    EXPECT_EQ(app.controller.editChangeFlag, 1);
    app.controller.btnExitFullScreen();
}

TEST_F(ChaseAndFullScreen, WhileFullScreenTheJumpAndAnotherFullScreenDoNothing) {
    app.edit.btnFullScreen->click();
    ASSERT_TRUE(imgEditIsFullScreen());

    app.edit.txtEditNr->setText("2");
    QTest::keyClick(app.edit.txtEditNr, Qt::Key_Return);
    EXPECT_EQ(app.controller.logEditPos, 1);

    // Unsaved changes now would prompt, were full screen not already on.
    app.controller.editChangeFlag = 1;
    bool prompted = false;
    QTimer* watch = whenModal([&](QWidget* modal) {
        prompted = true;
        modal->close();
    });
    app.windows.menus.fullScreen->trigger();
    waitFor([] { return false; }, 100);
    delete watch;
    EXPECT_FALSE(prompted);
    EXPECT_TRUE(imgEditIsFullScreen());
    EXPECT_EQ(app.controller.editChangeFlag, 1);

    // Renumbering still works in full screen.
    whenModal([&](QWidget*) {
        app.windows.panelEditNr.txtEditNrChangeVal->setText("9");
        app.windows.panelEditNr.btnEditLogNrOk->click();
    });
    app.windows.menus.renumber->trigger();
    EXPECT_EQ(app.field(1, kFieldNumber), "9");
    app.controller.btnExitFullScreen();
}

}  // namespace
