#include "frontend/CapturePreview.h"

#include <QMetaObject>
#include <QPainter>

#include "platform/video/PreviewImage.h"

CapturePreview::CapturePreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(384, 216);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CapturePreview::showFrame(platform::VideoFramePtr frame) {
    if (!frame || m_pictureOnItsWay.exchange(true))
        return;
    const int textsShown = m_textsShown.load();
    const std::optional<platform::YuvPlanes> planes = frame->previewPlanes();
    const platform::FittedRect fit = platform::fitFrame(frame->width(), frame->height(),
                                                        m_viewWidth.load(), m_viewHeight.load());
    if (!planes || fit.width <= 0 || fit.height <= 0) {
        m_pictureOnItsWay.store(false);
        return;
    }
    QImage picture(fit.width, fit.height, QImage::Format_RGB32);
    platform::paintPreview(*planes, frame->width(), frame->height(),
                           reinterpret_cast<std::uint32_t*>(picture.bits()),
                           static_cast<int>(picture.bytesPerLine() / 4), fit.width, fit.height);
    QMetaObject::invokeMethod(
        this,
        [this, textsShown, picture = std::move(picture)] {
            m_pictureOnItsWay.store(false);
            if (textsShown != m_textsShown.load())
                return;  // a frame of the device before, still on its way
            m_picture = picture;
            update();
        },
        Qt::QueuedConnection);
}

void CapturePreview::showText(std::string_view text) {
    ++m_textsShown;
    m_text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    m_picture = QImage();
    update();
}

void CapturePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(24, 24, 24));
    if (m_picture.isNull()) {
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(rect(), Qt::AlignCenter,
                         m_text.isEmpty() ? tr("No video") : m_text);
        return;
    }
    QRect target(QPoint(0, 0), m_picture.size().scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    painter.drawImage(target, m_picture);
}

void CapturePreview::resizeEvent(QResizeEvent* event) {
    m_viewWidth.store(width());
    m_viewHeight.store(height());
    QWidget::resizeEvent(event);
}
