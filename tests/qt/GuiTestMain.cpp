// The windows' tests need a QApplication around them; the platform comes from
// QT_QPA_PLATFORM (offscreen in CTest).

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

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

// A modal window that nobody answers would hold its test, and the whole run, for ever: one
// left up for 20 seconds fails the test and is closed.
void watchForStuckModals(QApplication& application) {
    auto* watch = new QTimer(&application);
    // Owned by the watch's connection, so they go with the application.
    auto since = std::make_shared<QElapsedTimer>();
    auto seen = std::make_shared<QPointer<QWidget>>();
    QObject::connect(watch, &QTimer::timeout, [since, seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != seen->data()) {
            *seen = modal;
            since->start();
            return;
        }
        if (modal == nullptr || since->elapsed() < 20000)
            return;
        ADD_FAILURE() << "a modal " << modal->metaObject()->className()
                      << " was left unanswered; closed";
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        since->start();
    });
    watch->start(500);
}

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
    watchForStuckModals(application);
    ::testing::UnitTest::GetInstance()->listeners().Append(new StopPollsAtTestEnd);
    return RUN_ALL_TESTS();
}
