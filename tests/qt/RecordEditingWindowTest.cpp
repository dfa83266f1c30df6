// Records and pictures changed through the editor window: the questions asked first, the
// picture files read with Qt's own plugins, and the keys.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/MyImageView.h"
#include "platform/qt/RecordEditControls.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;
using gui_test::whenModal;

// Answers the next alert with the button of that text, and keeps what the alert said.
QTimer* answer(const QString& button, QString* asked = nullptr) {
    return whenModal([button, asked](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        if (asked)
            *asked = box->text() + "\n" + box->informativeText();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button)
                b->click();
    });
}

QRgb centre(const MyImageView* view) {
    const QImage& p = view->picture();
    return p.isNull() ? 0 : p.pixel(p.width() / 2, p.height() / 2) & 0xFFFFFF;
}

class RecordEditingWindow : public ::testing::Test {
protected:
    RecordEditingWindow() {
        app.addRecord("1", "01:00:00:00", "", encodedPicture("JPEG", Qt::red));
        app.addRecord("2", "01:00:10:00", "", encodedPicture("JPEG", Qt::green));
        app.addRecord("3", "01:00:20:00", "", encodedPicture("JPEG", Qt::blue));
        app.controller.logEditPos = 2;
        app.controller.LogActualWrite();
    }
    std::string numbers() const {
        std::string out;
        for (int r = 1; r <= app.controller.logStartArray.recordCount(); ++r)
            out += app.field(r, kFieldNumber) + " ";
        return out;
    }
    const Picture& picture(int record) const {
        return app.controller.logStartArray.picture(LogList::indexOf(record, kFieldPicture));
    }

    gui_test::GuiApp app;
    RecordEditControls& buttons = *app.edit.recordEdit;
};

struct Confirmation {
    const char* name;
    QPushButton* RecordEditControls::*control;
    const char* button;
    std::string numbers;  // afterwards
    bool pictureOfTwoKept;
};

void PrintTo(const Confirmation& c, std::ostream* os) {
    *os << c.name;
}

class Confirmations : public RecordEditingWindow,
                      public ::testing::WithParamInterface<Confirmation> {};

TEST_P(Confirmations, OnlyTheDefaultButtonChangesTheLog) {
    const Confirmation& c = GetParam();
    if (c.control == &RecordEditControls::btnEditPaste)
        buttons.btnEditCopy->click();
    QString asked;
    answer(c.button, &asked);
    (buttons.*c.control)->click();
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_EQ(numbers(), c.numbers);
    EXPECT_EQ(!picture(2).empty() && picture(2) == encodedPicture("JPEG", Qt::green),
              c.pictureOfTwoKept);
    const bool changed = c.numbers != "1 2 3 " || !c.pictureOfTwoKept;
    EXPECT_EQ(app.controller.editChangeFlag, changed ? 1 : 0);
    EXPECT_EQ(app.windows.menus.undo->isEnabled(), changed);
}

INSTANTIATE_TEST_SUITE_P(
    Alerts, Confirmations,
    ::testing::Values(Confirmation{"DeleteRecord", &RecordEditControls::btnEditLogDelete, "Delete",
                                   "1 3 ", false},
                      Confirmation{"DeleteRecordCancelled", &RecordEditControls::btnEditLogDelete,
                                   "Cancel", "1 2 3 ", true},
                      Confirmation{"DeletePicture", &RecordEditControls::btnEditPictureDelete,
                                   "Delete", "1 2 3 ", false},
                      Confirmation{"DeletePictureCancelled",
                                   &RecordEditControls::btnEditPictureDelete, "Cancel", "1 2 3 ",
                                   true},
                      Confirmation{"PasteACopyUnderANewNumber", &RecordEditControls::btnEditPaste,
                                   "New Number", "1 4 2 3 ", true},
                      Confirmation{"PasteACopyCancelled", &RecordEditControls::btnEditPaste,
                                   "Cancel", "1 2 3 ", true}),
    [](const ::testing::TestParamInfo<Confirmation>& info) { return info.param.name; });

TEST_F(RecordEditingWindow, DeleteAsksWithTheWarningOfOld) {
    QString asked;
    answer("Delete", &asked);
    app.windows.menus.deleteRecord->trigger();
    EXPECT_EQ(asked, "Warning\nDo you want to delete current log?");
    EXPECT_EQ(app.edit.txtEditNr->text(), "1");  // the record before the deleted one
    EXPECT_EQ(app.windows.menus.undo->text(), "Undo Delete Record");
}

struct PictureFile {
    const char* name;
    const char* file;
    const char* format;  // nullptr: not a picture
};

void PrintTo(const PictureFile& c, std::ostream* os) {
    *os << c.name;
}

class PictureFiles : public RecordEditingWindow,
                     public ::testing::WithParamInterface<PictureFile> {};

TEST_P(PictureFiles, ReplaceStoresTiffOfWhatTheFileShowsOrSaysWhyNot) {
    const PictureFile& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(c.file));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    if (c.format != nullptr) {
        const platform::Bytes bytes = encodedPicture(c.format, QColor(200, 100, 0), 40, 30);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    } else {
        file.write("Scene 4, take 2: the boom was in shot.\n");
    }
    file.close();
    const Picture before = picture(2);

    // The file goes in as a dropped one: Qt's file dialog, driven from a test, now and then
    // never opens on the offscreen platform. What the file gives is the same either way.
    QString asked;
    answer(c.format == nullptr ? "OK" : "Replace", &asked);
    app.controller.imgEditFileDropped(path.toStdString());

    if (c.format == nullptr) {
        EXPECT_TRUE(asked.startsWith("The file \"" + QString::fromLatin1(c.file) + "\""))
            << asked.toStdString();
        EXPECT_EQ(picture(2), before);
        EXPECT_EQ(app.controller.editChangeFlag, 0);
        return;
    }
    const Picture& stored = picture(2);
    ASSERT_GE(stored.size(), 4u);
    EXPECT_TRUE((stored[0] == 'I' && stored[1] == 'I' && stored[2] == 42) ||
                (stored[0] == 'M' && stored[1] == 'M' && stored[3] == 42));
    const QImage decoded = QImage::fromData(stored.data(), static_cast<int>(stored.size()));
    EXPECT_EQ(decoded.size(), QSize(40, 30));
    // The strip: the new picture on show, the neighbours as they were.
    const QRgb shown = centre(app.edit.imgEdit);
    EXPECT_NEAR(qRed(shown), 200, 8);
    EXPECT_NEAR(qGreen(shown), 100, 8);
    EXPECT_GT(qRed(centre(app.edit.imgEditPre)), 200);
    EXPECT_GT(qBlue(centre(app.edit.imgEditNext)), 200);
    EXPECT_EQ(app.controller.editChangeFlag, 1);

    app.windows.menus.undo->trigger();
    EXPECT_EQ(picture(2), before);
    EXPECT_EQ(qGreen(centre(app.edit.imgEdit)) > 200, true);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureFiles,
                         ::testing::Values(PictureFile{"Png", "still.png", "PNG"},
                                           PictureFile{"Jpeg", "still.jpg", "JPEG"},
                                           PictureFile{"Tiff", "still.tif", "TIFF"},
                                           PictureFile{"WebP", "still.webp", "WEBP"},
                                           PictureFile{"TextFileNamedJpg", "notes.jpg", nullptr}),
                         [](const ::testing::TestParamInfo<PictureFile>& info) {
                             return info.param.name;
                         });

TEST_F(RecordEditingWindow, APictureFileDroppedOnThePictureReplacesItOnceConfirmed) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dropped.png"));
    QImage yellow(32, 18, QImage::Format_RGB32);
    yellow.fill(Qt::yellow);
    ASSERT_TRUE(yellow.save(path));
    const Picture before = picture(2);

    for (const char* button : {"Cancel", "Replace"}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at = app.edit.imgEdit->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.edit.imgEdit, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.edit.imgEdit, &drop);
        QString asked;
        answer(button, &asked);
        // The question comes once the drop is over.
        ASSERT_TRUE(gui_test::waitFor([&] { return !asked.isEmpty(); })) << button;
        EXPECT_TRUE(asked.contains("dropped.png"));
        EXPECT_EQ(picture(2) == before, std::string(button) == "Cancel") << button;
    }
    EXPECT_NE(picture(2), before);
    const QRgb shown = centre(app.edit.imgEdit);
    EXPECT_GT(qRed(shown), 200);
    EXPECT_GT(qGreen(shown), 200);
    app.windows.menus.undo->trigger();
    EXPECT_EQ(picture(2), before);
}

TEST_F(RecordEditingWindow, RecordKeysEditTheTextInATextFieldAndTheRecordsElsewhere) {
    // In a field, even a read-only one, Ctrl+X and Delete stay with the text.
    for (QLineEdit* field : {app.edit.txtEditNr, app.edit.txtEditComment1}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    }
    EXPECT_EQ(numbers(), "1 2 3 ");

    // On the picture they act on the record on show.
    app.edit.imgEdit->setFocus();
    QTest::keyClick(app.edit.imgEdit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(numbers(), "1 3 ");
    QTest::keyClick(app.edit.imgEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(numbers(), "1 2 3 ");
    answer("Delete");
    QTest::keyClick(app.edit.imgEdit, Qt::Key_Delete);
    EXPECT_EQ(numbers(), "1 3 ");
    // Keys reach the menu once the window is active again after the alert; the offscreen
    // platform does not hand activation back by itself.
    app.edit.activateWindow();
    ASSERT_TRUE(gui_test::waitFor([&] { return QApplication::activeWindow() == &app.edit; }));
    QTest::keyClick(app.edit.imgEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(numbers(), "1 2 3 ");
    QTest::keyClick(app.edit.imgEdit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(numbers(), "1 3 ");
}

}  // namespace
