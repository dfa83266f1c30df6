// The Qt side of the platform services: GUI thread, fields, pictures, dialogs, live picture.

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <thread>

#include "frontend/CapturePreview.h"
#include "frontend/DecodedPictures.h"
#include "frontend/MyImageView.h"
#include "platform/fake/MemoryFrame.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtPdfWriter.h"
#include "platform/qt/QtPictureConverter.h"
#include "platform/qt/QtTimers.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encoded;
using gui_test::encodedPicture;

TEST(QtServices, PostedWorkRunsLaterOnTheGuiThreadInOrderAndFieldsHoldUtf8) {
    platform::qt::QtMainThread mainThread;
    const std::thread::id gui = std::this_thread::get_id();
    std::vector<int> ran, posted(2000);
    std::iota(posted.begin(), posted.end(), 0);
    std::thread poster([&] {
        for (const int i : posted)
            mainThread.post([&, i] { ran.push_back(std::this_thread::get_id() == gui ? i : -1); });
    });
    poster.join();
    EXPECT_TRUE(ran.empty()) << "nothing runs before the event loop does";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == posted.size(); }));
    EXPECT_EQ(ran, posted) << "-1: run off the GUI thread";
    // As the program ends: what is posted runs at once, with no event loop.
    mainThread.post([&] { ran.push_back(-2); });
    mainThread.runPosted();
    EXPECT_EQ(ran.back(), -2);
    mainThread.post([&] { ran.push_back(-3); });
    EXPECT_EQ(ran.back(), -2) << "posted on the GUI thread, it still waits for the loop";
    mainThread.runPosted();
    // The text of every field goes in and comes out as UTF-8.
    QLineEdit edit;
    platform::qt::LineEditField field(&edit);
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5 \xF0\x9F\x8E\xAC";
    field.setText(text);
    EXPECT_EQ(edit.text(), QString::fromUtf8(text.c_str()));
    EXPECT_EQ(field.text(), text);
}

// The interface is looked for again and again, a notice taken away once: timers of the loop.
TEST(QtServices, ARepeatingTimerTicksOnAndASingleShotOnce) {
    int ticks = 0, shots = 0, ticksWhileOwned = 0;
    {
        platform::qt::QtTimers timers;
        timers.startRepeating(std::chrono::milliseconds(5), [&] { ++ticks; });
        timers.singleShot(std::chrono::milliseconds(5), [&] { ++shots; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }));
        ticksWhileOwned = ticks;
    }
    QTest::qWait(30);
    EXPECT_EQ(std::pair(shots, ticks), std::pair(1, ticksWhileOwned)) << "none after its owner";
}

// More asked ahead than are kept waiting: whichever were dropped are decoded when shown.
TEST(DecodedPictures, DroppedRequestsStillShow) {
    DecodedPictures own(16);
    std::vector<QByteArray> shades;
    for (int shade = 0; shade < 10; ++shade)
        shades.push_back(encoded("JPEG", QColor(0, 25 * shade, 0), 640, 360));
    for (const QByteArray& shade : shades) own.ahead(shade, {320, 240});
    for (int shade = 0; shade < 10; ++shade) {
        const QImage shown = own.fitted(shades[static_cast<std::size_t>(shade)], {320, 240});
        ASSERT_EQ(shown.size(), QSize(320, 180));
        EXPECT_NEAR(qGreen(shown.pixel(5, 5)), 25 * shade, 6) << "shade " << shade;
    }
    EXPECT_EQ(own.decodes(), 10);
    EXPECT_GE(own.decodesAhead(), 4) << "the last four asked are never dropped";
}

// Two pictures alike at both ends and in size are still two pictures.
TEST(DecodedPictures, PicturesThatDifferOnlyInTheMiddleAreNotTakenForEachOther) {
    DecodedPictures own;
    std::vector<QByteArray> bitmaps;
    for (const QColor middle : {QColor(Qt::red), QColor(Qt::blue)}) {
        QImage picture(200, 200, QImage::Format_RGB888);
        picture.fill(Qt::green);
        QPainter(&picture).fillRect(0, 80, 200, 40, middle);
        ASSERT_FALSE(bitmaps.emplace_back(encoded(picture, "BMP")).isEmpty());
    }
    for (int i : {0, 1})
        EXPECT_EQ(own.fitted(bitmaps[i], {200, 200}).pixelColor(100, 100),
                  i == 0 ? QColor(Qt::red) : QColor(Qt::blue));
}

// A dialog cancelled gives no file; a long job hears Cancel while posted work runs on.
TEST(QtDialogs, ACancelledDialogGivesNoFileAndAJobHearsItsCancel) {
    platform::qt::QtDialogs dialogs;
    QObject polls;
    const auto closed = [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); };
    gui_test::whenModal(&polls, closed);
    EXPECT_FALSE(dialogs.runSaveDialog("day", "pdf", {"Export", {}}));
    // An alert closed without a button is its Cancel, never its Delete.
    gui_test::whenModal(&polls, closed);
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

    platform::qt::QtMainThread mainThread;
    int ran = 0, steps = 0;
    gui_test::whenModal(&polls,
                        [](QWidget* dialog) { dialog->findChild<QPushButton*>()->click(); });
    dialogs.runCancellableProgress("Exporting", [&](const auto& progress) {
        mainThread.post([&] { ++ran; });
        while (steps < 1000 && progress(0.5)) {
            ++steps;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    EXPECT_EQ(ran, 1);
    EXPECT_LT(steps, 1000) << "the job never heard the Cancel";
}

// A picture comes in as a TIFF, upright as its EXIF says; a damaged one or no picture says why.
TEST(QtImageFiles, APictureComesInUprightAndADamagedOneSaysWhy) {
    QImage wide(16, 8, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    QPainter(&wide).fillRect(0, 0, 8, 8, QColor(255, 0, 0));  // red on the left
    QByteArray jpeg = encoded(wide, "JPEG", 100), png = encoded(wide, "PNG");
    ASSERT_FALSE(jpeg.isEmpty() || png.isEmpty());
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
    EXPECT_GT(qRed(read.pixel(4, 2)), 200) << "the left side on top";
    EXPECT_GT(qBlue(read.pixel(4, 13)), 200);
    EXPECT_FALSE(files.readAsTiff(file("cut.png", png.left(png.size() - 20)), why));
    EXPECT_NE(why.find("damaged"), std::string::npos) << why;
    why.clear();
    EXPECT_FALSE(files.readAsTiff(file("notes.jpg", "no picture"), why));
    EXPECT_FALSE(why.empty());
}

// A picture that is no JPEG goes out as one at the quality asked, close to what it shows.
TEST(QtPictureConverter, APngBecomesAJpegThatKeepsItsShades) {
    QImage shades(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) shades.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    const QByteArray png = encoded(shades, "PNG");
    ASSERT_FALSE(png.isEmpty());
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
    auto white = std::make_shared<fake::MemoryFrame>(64, 36);
    white->paint([](int, int) { return 235; }, 128, 128);
    view.showFrame(white);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.picture().isNull(); }));
    EXPECT_GT(qRed(view.picture().pixel(2, 2)), 240);
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

// Letter paper in the US, A4 elsewhere, the UK too; the file's page is the size asked for.
TEST(QtPdfWriter, ThePageIsLetterInTheUsAndA4Elsewhere) {
    const platform::qt::QtPdfWriter writer;
    const QLocale before;
    for (const auto& [locale, page] :
         {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), platform::PageSize::Letter},
          std::pair{QLocale(QLocale::English, QLocale::UnitedKingdom), platform::PageSize::A4},
          std::pair{QLocale(QLocale::German, QLocale::Germany), platform::PageSize::A4}}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(writer.preferredPageSize(), page) << locale.name().toStdString();
    }
    QLocale::setDefault(before);
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
