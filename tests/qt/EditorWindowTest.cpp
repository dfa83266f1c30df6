// The windows as the user meets them: start-up, stepping through records, jumping to a typed
// number and renumbering through the panel.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "platform/qt/DeviceComboBox.h"
#include "platform/qt/MyImageView.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;
using gui_test::waitFor;
using gui_test::whenModal;

class EditorWindow : public ::testing::Test {
protected:
    void threeRecords() {
        app.addRecord("1", "01:00:00:00", "01:00:10:00", encodedPicture("JPEG", Qt::red));
        app.addRecord("2", "01:00:20:00", "01:00:25:00");
        app.addRecord("3", "01:00:30:00", "", encodedPicture("TIFF", Qt::blue));
        app.controller.LogActualWrite();
    }
    static QRgb centre(const MyImageView* view) {
        const QImage& p = view->picture();
        return p.isNull() ? 0 : p.pixel(p.width() / 2, p.height() / 2);
    }

    gui_test::GuiApp app;
};

TEST_F(EditorWindow, StartsTitledWithTheEditorInFrontAndTheFieldsLocked) {
    EXPECT_EQ(app.rec.windowTitle(), "Glimmark Capture Tool - Untitled");
    EXPECT_EQ(app.edit.windowTitle(), "Glimmark Editor - Untitled");
    EXPECT_TRUE(app.rec.isVisible());
    EXPECT_TRUE(app.edit.isVisible());
    EXPECT_TRUE(waitFor([] { return QApplication::activeWindow() != nullptr; }));
    EXPECT_EQ(QApplication::activeWindow(), &app.edit);
    EXPECT_FALSE(app.windows.panelEditNr.isVisible());

    for (QLineEdit* locked : {app.edit.txtEditComment1, app.edit.txtEditComment2,
                              app.edit.txtEditStart, app.edit.txtEditStop})
        EXPECT_TRUE(locked->isReadOnly()) << locked->objectName().toStdString();
    EXPECT_FALSE(app.edit.txtEditNr->isReadOnly());

    EXPECT_EQ(app.rec.cmbDevicesVal->currentText(), "Select Video Device");
    EXPECT_EQ(app.rec.cmbLogSelectVal->count(), 3);
    EXPECT_EQ(app.rec.cmbLogSelectVal->currentIndex(), 0);
    EXPECT_FALSE(app.rec.btnLogManualVal->isEnabled());
    EXPECT_FALSE(app.rec.btnLogManualStopVal->isEnabled());
    // The first look for the interface ran during start-up.
    EXPECT_EQ(app.rec.statusText->text(), "  not found");
}

TEST_F(EditorWindow, NextAndPreviousShowTheRecordAndItsNeighboursPictures) {
    threeRecords();
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");
    EXPECT_EQ(qRed(centre(app.edit.imgEdit)) > 200, true);
    EXPECT_TRUE(app.edit.imgEditPre->picture().isNull());

    app.edit.btnLogNaechstesVal->click();
    EXPECT_EQ(app.edit.txtEditNr->text(), "2");
    EXPECT_EQ(app.edit.txtEditStart->text(), "01:00:20:00");
    EXPECT_EQ(app.edit.txtEditDuration->text(), "00:00:05");
    EXPECT_TRUE(app.edit.imgEdit->picture().isNull());
    EXPECT_GT(qRed(centre(app.edit.imgEditPre)), 200);
    EXPECT_GT(qBlue(centre(app.edit.imgEditNext)), 200);  // the TIFF decodes too

    app.windows.menus.btnMenuEditNextVal->trigger();
    EXPECT_EQ(app.edit.txtEditNr->text(), "3");
    QTest::keyClick(app.edit.txtEditComment2, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(app.edit.txtEditNr->text(), "2");
    app.edit.btnLogVorherVal->click();
    app.edit.btnLogVorherVal->click();
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");
}

TEST_F(EditorWindow, TypedCommentsAreKeptWhenStepping) {
    threeRecords();
    app.edit.txtEditComment1->setReadOnly(false);  // as edit mode leaves it
    app.edit.txtEditComment1->setFocus();
    QTest::keyClicks(app.edit.txtEditComment1, "good take");
    app.edit.btnLogNaechstesVal->click();
    EXPECT_EQ(app.field(1, kFieldComment1), "good take");
    EXPECT_EQ(app.edit.txtEditComment1->text(), "");
    EXPECT_EQ(app.controller.editChangeFlag, 1);
}

TEST_F(EditorWindow, ReturnInTheNumberFieldJumpsToThatRecord) {
    threeRecords();
    app.edit.txtEditNr->selectAll();
    QTest::keyClicks(app.edit.txtEditNr, "3");
    QTest::keyClick(app.edit.txtEditNr, Qt::Key_Return);
    EXPECT_EQ(app.controller.logEditPos, 3);
    EXPECT_EQ(app.edit.txtEditStart->text(), "01:00:30:00");

    app.edit.txtEditNr->setText("03");
    QTest::keyClick(app.edit.txtEditNr, Qt::Key_Return);
    EXPECT_EQ(app.controller.logEditPos, 3);
    EXPECT_EQ(app.edit.txtEditNr->text(), "3");
}

TEST_F(EditorWindow, RenumberPanelStoresTheTypedNumberOnOk) {
    threeRecords();
    app.edit.btnLogNaechstesVal->click();
    QString offered;
    whenModal([&](QWidget* modal) {
        ASSERT_EQ(modal, &app.windows.panelEditNr);
        offered = app.windows.panelEditNr.txtEditNrChangeVal->text();
        app.windows.panelEditNr.txtEditNrChangeVal->selectAll();
        QTest::keyClicks(app.windows.panelEditNr.txtEditNrChangeVal, "007");
        QTest::keyClick(app.windows.panelEditNr.txtEditNrChangeVal, Qt::Key_Return);
    });
    app.edit.btnEditLogNr->click();  // returns when the panel's loop has ended
    EXPECT_EQ(offered, "2");
    EXPECT_EQ(app.field(2, kFieldNumber), "007");
    EXPECT_EQ(app.edit.txtEditNr->text(), "007");
    EXPECT_FALSE(app.windows.panelEditNr.isVisible());
    EXPECT_EQ(app.controller.editChangeFlag, 1);
}

TEST_F(EditorWindow, RenumberPanelClosedByEscapeOrOutOfRangeChangesNothing) {
    threeRecords();
    whenModal([&](QWidget*) {
        QTest::keyClicks(app.windows.panelEditNr.txtEditNrChangeVal, "42");
        QTest::keyClick(app.windows.panelEditNr.txtEditNrChangeVal, Qt::Key_Escape);
    });
    app.edit.btnEditLogNr->click();
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_FALSE(app.windows.panelEditNr.isVisible());

    whenModal([&](QWidget*) {
        app.windows.panelEditNr.txtEditNrChangeVal->setText("1000");
        app.windows.panelEditNr.btnEditLogNrOk->click();
    });
    app.windows.menus.renumber->trigger();
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_FALSE(app.windows.panelEditNr.isVisible());
    EXPECT_EQ(app.controller.editChangeFlag, 0);
}

TEST_F(EditorWindow, TheProgramsOwnLoggingModeChoiceSendsNothing) {
    // A selection by the program (the interface reporting its state) must not act as the
    // user's choice; the user's choice of manual logging frees the start button.
    app.windows.outlets().cmbLogSelectVal->selectItem(2);
    QApplication::processEvents();
    EXPECT_FALSE(app.rec.btnLogManualVal->isEnabled());

    app.rec.cmbLogSelectVal->setCurrentIndex(1);
    app.rec.cmbLogSelectVal->setFocus();
    QTest::keyClick(app.rec.cmbLogSelectVal, Qt::Key_Down);
    EXPECT_EQ(app.rec.cmbLogSelectVal->currentIndex(), 2);
    EXPECT_TRUE(app.rec.btnLogManualVal->isEnabled());
}

}  // namespace
