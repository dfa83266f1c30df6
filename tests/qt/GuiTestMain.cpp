// The windows' tests need a QApplication around them; the platform comes from
// QT_QPA_PLATFORM (offscreen in CTest). A modal window nobody answers holds its test until
// CTest's time limit ends it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

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

namespace {

class StopPollsAtTestEnd : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { gui_test::stopLivePolls(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no windows, and so no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Qt keeps the file dialog's last folder, and the program its window places, in the
    // user's settings: each run of the tests starts from settings of its own, so no test
    // starts in a folder an earlier one has removed.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new StopPollsAtTestEnd);
    return RUN_ALL_TESTS();
}
