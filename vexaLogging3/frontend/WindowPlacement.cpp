#include "frontend/WindowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace frontend {

namespace {

constexpr int kGap = 8;
// A window frame's title bar and borders are not known before the window is shown; this
// much is kept free for them.
constexpr int kTitleBar = 32;
constexpr int kBorder = 4;

const QString kCaptureKey = QStringLiteral("windows/capture");
const QString kEditorKey = QStringLiteral("windows/editor");

// A quit request reaches the application before Qt closes every window for it.
class QuitWatch final : public QObject {
public:
    explicit QuitWatch(std::function<void()> save) : m_save(std::move(save)) {
        QCoreApplication::instance()->installEventFilter(this);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            if (!m_saved)
                m_save();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            m_save();
            m_saved = true;
        }
        return false;
    }

private:
    std::function<void()> m_save;
    bool m_saved = false;
};

void putFrame(QWidget& window, const QRect& frame) {
    window.resize(
        std::max(frame.width() - 2 * kBorder, window.minimumSizeHint().width()),
        std::max(frame.height() - kTitleBar - kBorder, window.minimumSizeHint().height()));
    window.move(frame.topLeft());
}

}  // namespace

std::pair<QRect, QRect> sideBySide(const QRect& available, const QSize& captureMinimum,
                                   const QSize& editorMinimum) {
    const int width = available.width() - kGap;
    if (captureMinimum.width() + editorMinimum.width() <= width ||
        captureMinimum.height() + editorMinimum.height() > available.height() - kGap) {
        // The editor holds three pictures and the fields: it takes the larger share.
        // When even the minimum sizes do not fit, the editor keeps its minimum first.
        const int least = std::min(captureMinimum.width(), width);
        const int most = std::max(width - editorMinimum.width(), 0);
        const int captureWidth = most < least ? most : std::clamp(width * 2 / 5, least, most);
        const QRect capture(available.topLeft(), QSize(captureWidth, available.height()));
        const QRect editor(capture.right() + 1 + kGap, available.top(),
                           available.width() - captureWidth - kGap, available.height());
        return {capture, editor};
    }
    const int height = available.height() - kGap;
    const int captureHeight = std::clamp(height * 2 / 5, captureMinimum.height(),
                                         std::max(height - editorMinimum.height(), 0));
    const QRect capture(available.topLeft(), QSize(available.width(), captureHeight));
    const QRect editor(available.left(), capture.bottom() + 1 + kGap, available.width(),
                       available.height() - captureHeight - kGap);
    return {capture, editor};
}

void placeWindows(QWidget& capture, QWidget& editor, QSettings& settings) {
    if (capture.restoreGeometry(settings.value(kCaptureKey).toByteArray()) &&
        editor.restoreGeometry(settings.value(kEditorKey).toByteArray()))
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize chrome(2 * kBorder, kTitleBar + kBorder);
    const auto [captureFrame, editorFrame] =
        sideBySide(screen->availableGeometry(), capture.minimumSizeHint() + chrome,
                   editor.minimumSizeHint() + chrome);
    putFrame(capture, captureFrame);
    putFrame(editor, editorFrame);
}

void saveWindowPlaces(const QWidget& capture, const QWidget& editor, QSettings& settings) {
    settings.setValue(kCaptureKey, capture.saveGeometry());
    settings.setValue(kEditorKey, editor.saveGeometry());
}

std::unique_ptr<QObject> saveWhenQuitting(std::function<void()> save) {
    return std::make_unique<QuitWatch>(std::move(save));
}

}  // namespace frontend
