// The windows' tests need a QApplication around them; the platform comes from
// QT_QPA_PLATFORM (offscreen in CTest). A modal window nobody answers holds its test until
// CTest's time limit ends it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

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
    return RUN_ALL_TESTS();
}
