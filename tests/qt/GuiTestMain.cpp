// The windows' tests in a QApplication; the platform from QT_QPA_PLATFORM (offscreen in CTest).

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no windows, and so no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Settings of its own each run: Qt keeps the file dialog's last folder there.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
