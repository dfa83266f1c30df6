#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>

#include "platform/VideoCapture.h"

// mCaptureView: the live picture of the running video device. Frames come on the capture
// thread; each is scaled there to the view's size and handed to the window as one queued
// picture. While a picture is still on its way, further frames are dropped, so the preview
// shows the newest frame it can and never falls behind.
class CapturePreview final : public QWidget, public platform::VideoPreview {
public:
    explicit CapturePreview(QWidget* parent = nullptr);
    void showFrame(platform::VideoFramePtr frame) override;
    Size previewSize() const override { return {m_viewWidth.load(), m_viewHeight.load()}; }
    void showText(std::string_view text) override;

    // The picture on show; null before the first frame.
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_picture;
    QString m_text;
    std::atomic<bool> m_pictureOnItsWay{false};
    // Counts texts shown: a picture made before the latest text is not shown after it.
    std::atomic<int> m_textsShown{0};
    // The view's size, read on the capture thread.
    std::atomic<int> m_viewWidth{0};
    std::atomic<int> m_viewHeight{0};
};
