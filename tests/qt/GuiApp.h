#pragma once

#include <QtCore/qtestsupport_core.h>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <string>

#include "frontend/ApplicationWindows.h"
#include "platform/fake/FakePlatform.h"
#include "platform/plist/PropertyListFileStore.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtPictureConverter.h"
#include "platform/qt/QtTimers.h"
#include "vexaLogging3AppDelegate.h"

namespace gui_test {

// A picture as a file in that format holds it: empty when it could not be written.
inline QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return image.save(&buffer, format, quality) ? bytes : QByteArray();
}
inline QByteArray encoded(const char* format, QColor colour, int width = 64, int height = 36) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, format);
}
// Encoded pictures of one colour, as a grab (JPEG) or a replaced picture (TIFF) stores them.
inline platform::Bytes encodedPicture(const char* format, QColor colour, int width = 64,
                                      int height = 36) {
    const QByteArray bytes = encoded(format, colour, width, height);
    return platform::Bytes(bytes.begin(), bytes.end());
}

// Whether a drawn pixel is about that colour: JPEG and antialiasing move each channel a little.
inline bool looksLike(QColor drawn, QColor colour) {
    return std::abs(drawn.red() - colour.red()) + std::abs(drawn.green() - colour.green()) +
               std::abs(drawn.blue() - colour.blue()) <
           60;
}

// Brings the window of `on` to the front and gives `on` the keys; whether the window came up.
// Shortcuts need an active window, and after an alert the offscreen platform leaves none.
inline bool focused(QWidget* on) {
    on->window()->activateWindow();
    const bool active =
        QTest::qWaitFor([on] { return QApplication::activeWindow() == on->window(); });
    on->setFocus();
    return active;
}

// Acts on the next modal window once it is up, from inside its event loop; delete the watch
// when none is expected after all. It goes with its owner, so as not to answer the next test's.
inline QTimer* whenModal(QObject* owner, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(10);
    return poll;
}

// The real windows over a controller whose MIDI, clock, codec and video are the tests' fakes.
struct GuiApp {
    GuiApp() {
        windows.connectTo(controller);
        controller.awakeFromNib();
        // Shortcuts need an active window, which comes a little later; the start-up test checks.
        (void)QTest::qWaitFor([this] { return QApplication::activeWindow() == &edit; });
    }
    // Work still queued refers to this controller: it is dropped with the context object.
    ~GuiApp() { controller.waitForSends(); }

    // Puts a record straight into the log, as a device log or an opened file leaves it.
    void addRecord(const std::string& number, const std::string& start, const std::string& stop,
                   const platform::Bytes& picture = {}) {
        controller.logStartArray.append(
            {number, start, stop, {}, "10:00:00", {}, {}, "07.12.2026", {}, picture});
        ++controller.logNr;
    }
    // The interface's log start (1) or stop (2) at that time, through the MIDI callback.
    static void device(std::uint8_t event, std::uint8_t hours, std::uint8_t seconds) {
        const std::uint8_t message[] = {0xF0, 0x2C, 0x4D,    0x67, event, hours,
                                        0,    seconds, 0,    0,    0xF7};
        myReadProc(platform::makeMidiPacketList(message), nullptr, nullptr);
    }
    QTimer* whenModal(std::function<void(QWidget*)> act) {
        return gui_test::whenModal(&polls, std::move(act));
    }

    frontend::ApplicationWindows windows;
    platform::qt::QtMainThread mainThread;
    platform::qt::QtTimers timers;
    fake::Clock clock;
    fake::SystemLog systemLog;
    fake::MidiSystem midi;
    fake::ImageCodec codec;
    fake::VideoSystem video;
    platform::plist::PropertyListFileStore projectFiles;
    platform::qt::QtPictureConverter pictureConverter;
    platform::qt::QtImageFiles imageFiles;
    vexaLogging3AppDelegate controller{
        PlatformServices{mainThread, clock, systemLog, midi, codec, timers, video, &projectFiles,
                         &pictureConverter, &imageFiles},
        windows.outlets()};
    EditorWindow& edit = windows.windowEdit;
    CaptureWindow& rec = windows.windowRec;
    QObject polls;
};

}  // namespace gui_test
