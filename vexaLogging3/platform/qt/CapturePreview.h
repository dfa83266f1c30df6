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

    // The picture on show; null before the first frame.
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_picture;
    std::atomic<bool> m_pictureOnItsWay{false};
    // The view's size, read on the capture thread.
    std::atomic<int> m_viewWidth{0};
    std::atomic<int> m_viewHeight{0};
};
