// The Qt side of the platform services: GUI thread, fields, pictures, dialogs, live picture.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QTest>

#include "frontend/CapturePreview.h"
#include "frontend/DecodedPictures.h"
#include "frontend/MyImageView.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtPdfWriter.h"
#include "platform/qt/QtPictureConverter.h"
#include "platform/qt/QtTimers.h"
#include "qt/GuiApp.h"
#include "video/MemoryFrame.h"

namespace {

using gui_test::encodedPicture;

// Work posted on the GUI thread waits for the loop, so a held device event is not let go early;
// the text of every field goes in and comes out as UTF-8, so typed non-ASCII text is kept.
TEST(QtServices, PostedWorkRunsLaterOnTheGuiThreadInOrderAndFieldsHoldUtf8) {
    platform::qt::QtMainThread mainThread;
    std::vector<int> ran;
    // As the program ends: what is posted runs at once, with no event loop.
    mainThread.post([&] { ran.push_back(-2); });
    mainThread.runPosted();
    ASSERT_EQ(ran, std::vector<int>{-2});
    mainThread.post([&] { ran.push_back(-3); });
    EXPECT_EQ(ran.back(), -2) << "posted on the GUI thread, it still waits for the loop";
    mainThread.runPosted();
    QLineEdit edit;
    platform::qt::LineEditField field(&edit);
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5 \xF0\x9F\x8E\xAC";
    field.setText(text);
    EXPECT_EQ(edit.text(), QString::fromUtf8(text.c_str()));
    EXPECT_EQ(field.text(), text);
}

// The interface is looked for again and again: a repeating timer keeps ticking.
TEST(QtServices, ARepeatingTimerTicksOnAndASingleShotOnce) {
    platform::qt::QtTimers timers;
    int ticks = 0;
    timers.startRepeating(std::chrono::milliseconds(5), [&] { ++ticks; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }));
}

// More asked ahead than are kept waiting: whichever were dropped are decoded when shown, in
// their own shape.
TEST(DecodedPictures, DroppedRequestsStillShow) {
    DecodedPictures own(16);
    std::vector<QByteArray> shades;
    for (int shade = 0; shade < 10; ++shade) {
        const platform::Bytes jpeg = encodedPicture("JPEG", QColor(0, 25 * shade, 0), 640, 360);
        shades.emplace_back(reinterpret_cast<const char*>(jpeg.data()),
                            static_cast<qsizetype>(jpeg.size()));
    }
    for (const QByteArray& shade : shades) own.ahead(shade, {320, 240});
    for (const QByteArray& shade : shades)
        ASSERT_EQ(own.fitted(shade, {320, 240}).size(), QSize(320, 180));
}

// Two pictures alike at both ends and in size are still two pictures.
TEST(DecodedPictures, PicturesThatDifferOnlyInTheMiddleAreNotTakenForEachOther) {
    DecodedPictures own;
    std::vector<QByteArray> bitmaps;
    for (const QColor middle : {QColor(Qt::red), QColor(Qt::blue)}) {
        QImage picture(200, 200, QImage::Format_RGB888);
        picture.fill(Qt::green);
        for (int y = 80; y < 120; ++y)
            for (int x = 0; x < 200; ++x) picture.setPixelColor(x, y, middle);
        QBuffer buffer(&bitmaps.emplace_back());
        ASSERT_TRUE(picture.save(&buffer, "BMP"));
    }
    for (int i : {0, 1})
        EXPECT_EQ(own.fitted(bitmaps[i], {200, 200}).pixelColor(100, 100),
                  i == 0 ? QColor(Qt::red) : QColor(Qt::blue));
}

// An alert closed without a button is its Cancel; a text question escaped gives no answer.
TEST(QtDialogs, ACancelledDialogGivesNoFileAndAJobHearsItsCancel) {
    platform::qt::QtDialogs dialogs;
    QObject polls;
    // An alert closed without a button is its Cancel, never its Delete.
    gui_test::whenModal(&polls, [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    EXPECT_EQ(dialogs.runAlert("Delete?", "", "Delete", "Cancel", ""), platform::kAlertAlternate);
    // A text question: Escape gives no answer at all, Return the text in the field.
    for (const bool ok : {false, true}) {
        gui_test::whenModal(&polls, [ok](QWidget* dialog) {
            auto* field = dialog->findChild<QLineEdit*>();
            field->setText("B");
            QTest::keyClick(field, ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        EXPECT_EQ(dialogs.runTextDialog("Reel", "Name:", "A"),
                  ok ? std::optional<std::string>("B") : std::nullopt);
    }
}

// A picture from a camera comes in as a TIFF, upright as its EXIF says.
TEST(QtImageFiles, APictureComesInUprightAndADamagedOneSaysWhy) {
    QImage wide(16, 8, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer toJpeg(&jpeg);
    ASSERT_TRUE(wide.save(&toJpeg, "JPEG", 100));
    // APP1: EXIF, big-endian, one entry: orientation 6, turn a quarter clockwise.
    const char exif[] = {'\xFF', '\xE1', 0, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 0x2A, 0, 0,
                         0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
    jpeg.insert(2, QByteArray(exif, sizeof exif));
    QTemporaryDir folder;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        QFile out(folder.filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return out.fileName().toStdString();
    };
    platform::qt::QtImageFiles files;
    std::string why;
    const auto tiff = files.readAsTiff(file("turned.jpg", jpeg), why);
    ASSERT_TRUE(tiff) << why;
    const QImage read = QImage::fromData(tiff->data(), static_cast<int>(tiff->size()), "TIFF");
    ASSERT_EQ(read.size(), QSize(8, 16));
}

// A picture that is no JPEG goes out as one at the quality asked, close to what it shows.
TEST(QtPictureConverter, APngBecomesAJpegThatKeepsItsShades) {
    QImage shades(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) shades.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(shades.save(&buffer, "PNG"));
    platform::qt::QtPictureConverter converter;
    const platform::Bytes asPng(png.begin(), png.end());
    const platform::Bytes jpeg = converter.toJpeg(asPng, 0.8);
    const QImage back = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
    ASSERT_EQ(back.size(), shades.size());
    long error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            error += std::abs(qGray(back.pixel(x, y)) - qGray(shades.pixel(x, y)));
    EXPECT_LT(error / (64 * 64), 3);
    EXPECT_LT(converter.toJpeg(asPng, 0.0).size(), converter.toJpeg(asPng, 1.0).size());
}

// A frame with no pixels leaves the live picture free for the next one; a text replaces it.
TEST(CapturePreview, AFrameThatCannotBeShownDoesNotStopTheNext) {
    CapturePreview view;
    view.resize(480, 300);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(std::pair(view.previewSize().width, view.previewSize().height), std::pair(480, 300));
    view.showFrame(std::make_shared<fake::VideoFrame>("no pixels"));
    auto white = std::make_shared<videotest::MemoryFrame>(64, 36);
    white->paint([](int, int) { return 235; }, 128, 128);
    view.showFrame(white);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.picture().isNull(); }));
    view.showText("No video");  // the device gone: its last frame goes with it
    EXPECT_TRUE(view.picture().isNull());
}

// The screen follows the picture: each new one and its removal are drawn again.
TEST(MyImageView, APictureShownOrTakenAwayIsDrawnAgain) {
    struct Paints final : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::Paint;
            return false;
        }
        int count = 0;
    } paints;
    MyImageView view;
    view.resize(160, 90);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.installEventFilter(&paints);
    for (const QColor colour : {Qt::red, Qt::green, Qt::transparent}) {
        const int before = paints.count;
        colour == Qt::transparent ? view.clearPicture()
                                  : (void)view.showPicture(encodedPicture("JPEG", colour, 36, 36));
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > before; }))
            << colour.name().toStdString();
        // A square picture in the middle of the wide view, nothing of it at the sides.
        const QImage drawn = view.grab().toImage();
        EXPECT_TRUE(colour == Qt::transparent ||
                    (gui_test::looksLike(drawn.pixelColor(80, 45), colour) &&
                     !gui_test::looksLike(drawn.pixelColor(5, 45), colour)));
    }
}

// The file's page is the paper size asked for, A4 or Letter.
TEST(QtPdfWriter, ThePageIsLetterInTheUsAndA4Elsewhere) {
    for (const auto& [size, box] : {std::pair{platform::PageSize::A4, "/MediaBox [0 0 595"},
                                    std::pair{platform::PageSize::Letter, "/MediaBox [0 0 612"}}) {
        QTemporaryFile file;
        ASSERT_TRUE(file.open());
        EXPECT_EQ(platform::qt::QtPdfWriter().write(file.handle(), size, "t", [](auto&) {}), "");
        file.seek(0);
        EXPECT_TRUE(file.readAll().contains(box)) << box;
    }
}

}  // namespace
