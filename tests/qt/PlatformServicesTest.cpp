// The Qt side of the platform services: the hand-over to the GUI thread, timers, picture
// decoding and alerts.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/qt/MyImageView.h"
#include "platform/qt/QtDialogs.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;
using gui_test::waitFor;
using gui_test::whenModal;
using namespace std::chrono_literals;

TEST(QtMainThread, WorkFromOtherThreadsRunsOnTheGuiThreadInPostingOrder) {
    platform::qt::QtMainThread mainThread;
    std::vector<int> ran;
    std::atomic<int> offThread{0};
    const std::thread::id gui = std::this_thread::get_id();
    constexpr int kPosts = 2000;
    std::thread poster([&] {
        for (int i = 0; i < kPosts; ++i)
            mainThread.post([&, i] {
                if (std::this_thread::get_id() != gui)
                    ++offThread;
                ran.push_back(i);
            });
    });
    // Nothing runs inline: the work waits for the event loop.
    poster.join();
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(waitFor([&] { return ran.size() == kPosts; }));
    EXPECT_EQ(offThread.load(), 0);
    for (int i = 0; i < kPosts; ++i) ASSERT_EQ(ran[static_cast<std::size_t>(i)], i);
}

TEST(QtTimers, RepeatingTimersTickAgainAndSingleShotsRunOnce) {
    platform::qt::QtTimers timers;
    int ticks = 0, shots = 0;
    timers.startRepeating(10ms, [&] { ++ticks; });
    timers.singleShot(10ms, [&] { ++shots; });
    ASSERT_TRUE(waitFor([&] { return ticks >= 3; }));
    EXPECT_EQ(shots, 1);
}

TEST(MyImageView, ShowsJpegAndTiffAndIsEmptyForAnythingElse) {
    MyImageView view;
    EXPECT_TRUE(view.showPicture(encodedPicture("JPEG", Qt::white, 40, 30)));
    EXPECT_EQ(view.picture().size(), QSize(40, 30));
    EXPECT_TRUE(view.showPicture(encodedPicture("TIFF", Qt::black, 20, 10)));
    EXPECT_EQ(view.picture().size(), QSize(20, 10));

    EXPECT_FALSE(view.showPicture({'J', 'P', 'E', 'G', 1, 2, 3}));
    EXPECT_TRUE(view.picture().isNull());
    view.showPicture(encodedPicture("JPEG", Qt::white));
    EXPECT_FALSE(view.showPicture({}));
    EXPECT_TRUE(view.picture().isNull());
}

TEST(QtDialogs, AlertsAnswerByTheButtonPressed) {
    platform::qt::QtDialogs qtDialogs;
    platform::Dialogs& dialogs = qtDialogs;
    const auto press = [](const char* text) {
        whenModal([text](QWidget* modal) {
            for (QAbstractButton* b : qobject_cast<QMessageBox*>(modal)->buttons()) {
                if (b->text() == text)
                    b->click();
            }
        });
    };
    press("Save");
    EXPECT_EQ(dialogs.runAlert("t", "m", "Save", "Cancel", "Don't Save"), platform::kAlertDefault);
    press("Cancel");
    EXPECT_EQ(dialogs.runAlert("t", "m", "Save", "Cancel", "Don't Save"),
              platform::kAlertAlternate);
    press("Don't Save");
    EXPECT_EQ(dialogs.runAlert("t", "m", "Save", "Cancel", "Don't Save"), platform::kAlertOther);

    whenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.runAlert("t", "m", "Save", "Cancel", "Don't Save"),
              platform::kAlertAlternate);
    int buttons = 0;
    whenModal([&](QWidget* modal) {
        buttons = static_cast<int>(qobject_cast<QMessageBox*>(modal)->buttons().size());
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.runAlert("Glimmark Warning", "No valid file!", "OK"),
              platform::kAlertDefault);
    EXPECT_EQ(buttons, 1);
}

}  // namespace
