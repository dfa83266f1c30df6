// The editor's pictures: each decoded once, at the size it is shown.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>

#include "platform/qt/DecodedPictures.h"
#include "platform/qt/MyImageView.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;

QByteArray bytesOf(const platform::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

TEST(DecodedPictures, EachPictureIsDecodedOnceAtTheLargestViewAndFittedToTheOthers) {
    DecodedPictures cache(4);
    const QByteArray red = bytesOf(encodedPicture("JPEG", Qt::red, 1920, 1080));
    const QByteArray blue = bytesOf(encodedPicture("TIFF", Qt::blue, 1920, 1080));
    struct Ask {
        const char* what;
        const QByteArray* picture;
        QSize box;
        bool shared;
        QSize shown;
        int decodes;  // in all, so far
    };
    const std::vector<Ask> asks{
        {"the main view", &red, {800, 600}, true, {800, 450}, 1},
        {"the same again", &red, {800, 600}, true, {800, 450}, 1},
        {"a smaller view, fitted from it", &red, {400, 300}, true, {400, 225}, 1},
        {"another picture in the small view, decoded at the main view's size",
         &blue,
         {400, 300},
         true,
         {400, 225},
         2},
        {"which the main view then finds", &blue, {800, 600}, true, {800, 450}, 2},
        {"full screen decodes at the screen's size", &red, {1920, 1200}, false, {1920, 1080}, 3},
        {"never larger than the picture", &red, {4000, 4000}, false, {1920, 1080}, 3},
    };
    for (const Ask& ask : asks) {
        SCOPED_TRACE(ask.what);
        const QImage shown = cache.fitted(*ask.picture, ask.box, ask.shared);
        EXPECT_EQ(shown.size(), ask.shown);
        EXPECT_EQ(cache.decodes(), ask.decodes);
    }
    EXPECT_GT(qBlue(cache.fitted(blue, {100, 100}).pixel(10, 10)), 200);
    EXPECT_EQ(cache.hits(), 5);

    const QByteArray garbage("not a picture");
    EXPECT_TRUE(cache.fitted(garbage, {800, 600}).isNull());
    EXPECT_TRUE(cache.fitted(garbage, {800, 600}).isNull());
    EXPECT_EQ(cache.decodes(), 4) << "bytes that do not decode are tried once";
}

TEST(DecodedPictures, SteppingThroughTheLogDecodesEachPictureOnce) {
    gui_test::GuiApp app;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    for (int r = 1; r <= 5; ++r)
        app.addRecord(std::to_string(r), "01:00:00:00", "",
                      encodedPicture("JPEG", colours[r - 1], 1920, 1080));
    DecodedPictures& cache = DecodedPictures::editor();
    app.controller.LogActualWrite();
    const int before = cache.decodes();
    for (int step = 0; step < 4; ++step) app.controller.btnLogNaechstes();
    for (int step = 0; step < 4; ++step) app.controller.btnLogVorher();
    EXPECT_EQ(cache.decodes() - before, 3) << "records 3, 4 and 5 came into view once each";
    EXPECT_GT(qGreen(app.edit.imgEditNext->picture().pixel(4, 4)), 200);
    EXPECT_LE(app.edit.imgEdit->picture().width(), app.edit.imgEdit->width());
}

}  // namespace
