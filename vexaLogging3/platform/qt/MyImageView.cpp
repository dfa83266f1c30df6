#include "platform/qt/MyImageView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>

#include "platform/qt/DecodedPictures.h"

#include "vexaLogging3AppDelegate.h"

MyImageView::MyImageView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(80, 45);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The keyboard has to reach the view for Escape to bring it back from full screen.
    setFocusPolicy(Qt::ClickFocus);
}

bool MyImageView::showPicture(const platform::Bytes& encoded) {
    // Grabs are JPEG, replaced pictures TIFF; Qt tells them apart by their first bytes.
    m_encoded = QByteArray(reinterpret_cast<const char*>(encoded.data()),
                           static_cast<qsizetype>(encoded.size()));
    fitPicture();
    update();
    return !m_picture.isNull();
}

void MyImageView::clearPicture() {
    m_encoded.clear();
    m_picture = QImage();
    update();
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
