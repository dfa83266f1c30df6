#include "frontend/MyImageView.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "frontend/DecodedPictures.h"

#include "vexaLogging3AppDelegate.h"

namespace {

// The one local file a drag carries; empty for anything else.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().constFirst().isLocalFile())
        return {};
    return data->urls().constFirst().toLocalFile();
}

}  // namespace

MyImageView::MyImageView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(80, 45);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The keyboard has to reach the view for Escape to bring it back from full screen.
    setFocusPolicy(Qt::ClickFocus);
}

bool MyImageView::showPicture(const platform::Bytes& encoded) {
    // The same picture again (the editor refreshed for a comment, a take logged elsewhere)
    // is neither decoded nor drawn again.
    if (!m_encoded.isEmpty() && std::equal(encoded.begin(), encoded.end(), m_encoded.begin(),
                                           m_encoded.end(), [](std::uint8_t a, char b) {
                                               return a == static_cast<std::uint8_t>(b);
                                           }))
        return !m_picture.isNull();
    // Grabs are JPEG, replaced pictures TIFF; Qt tells them apart by their first bytes.
    m_encoded = QByteArray(reinterpret_cast<const char*>(encoded.data()),
                           static_cast<qsizetype>(encoded.size()));
    fitPicture();
    update();
    return !m_picture.isNull();
}

void MyImageView::clearPicture() {
    if (m_encoded.isEmpty() && m_picture.isNull())
        return;
    m_encoded.clear();
    m_picture = QImage();
    update();
}

void MyImageView::pictureAhead(const platform::Bytes& encoded) {
    // Borrowed, not copied: the cache copies only a picture it has not seen.
    DecodedPictures::editor().ahead(
        QByteArray::fromRawData(reinterpret_cast<const char*>(encoded.data()),
                                static_cast<qsizetype>(encoded.size())),
        size(), !m_home);
}

void MyImageView::fitPicture() {
    // Full screen asks for the screen's size alone: the views in the window keep decoding
    // at theirs.
    m_picture = DecodedPictures::editor().fitted(m_encoded, size(), !m_home);
}

void MyImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_encoded.isEmpty())
        fitPicture();
}

void MyImageView::enterFullScreenMode() {
    if (m_home)
        return;
    m_home = parentWidget();
    setParent(nullptr);
    setWindowFlags(Qt::Window);
    showFullScreen();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void MyImageView::exitFullScreenMode() {
    if (!m_home)
        return;
    QWidget* home = m_home;
    m_home = nullptr;
    setWindowState(Qt::WindowNoState);
    setParent(home);
    if (home->layout())
        home->layout()->addWidget(this);
    show();
    home->window()->activateWindow();
}

bool MyImageView::isInFullScreenMode() const {
    return isWindow() && isFullScreen();
}

void MyImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(24, 24, 24));
    if (m_picture.isNull()) {
        painter.setPen(QColor(110, 110, 110));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.drawText(rect(), Qt::AlignCenter, tr("No picture"));
        return;
    }
    const QSize size = m_picture.size().scaled(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void MyImageView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        vexaLogging3AppDelegate::ExitFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MyImageView::closeEvent(QCloseEvent* event) {
    // Closing the full-screen picture is leaving full screen; the view itself stays.
    if (m_home) {
        event->ignore();
        vexaLogging3AppDelegate::ExitFullScreen();
        return;
    }
    QWidget::closeEvent(event);
}

void MyImageView::acceptFileDrops(std::function<void(const std::string& path)> dropped) {
    m_dropped = std::move(dropped);
    setAcceptDrops(true);
}

void MyImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_dropped && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MyImageView::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (!m_dropped || path.isEmpty())
        return;
    event->acceptProposedAction();
    // The question about replacing the picture waits until the drag has ended: the program
    // the file came from is still waiting for the drop's answer.
    QMetaObject::invokeMethod(
        this, [this, file = path.toStdString()] { m_dropped(file); }, Qt::QueuedConnection);
}
