// The windows' tests need a QApplication around them; the platform comes from
// QT_QPA_PLATFORM (offscreen in CTest).

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>

#include "qt/GuiApp.h"

namespace gui_test {

platform::Bytes encodedPicture(const char* format, QColor colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return platform::Bytes(bytes.begin(), bytes.end());
}

}  // namespace gui_test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no windows, and so no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
