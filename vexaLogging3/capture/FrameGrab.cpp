// The latest frame of the video input, and the stills grabbed from it.

#include <utility>

#include "vexaLogging3AppDelegate.h"

namespace {
// On the scale from 0.0 (smallest file) to 1.0 (best quality).
constexpr double kJpegCompressionFactor = 0.5;
}  // namespace

void vexaLogging3AppDelegate::captureOutputDidOutputVideoFrame(platform::VideoFramePtr frame) {
    // Only a swap under the lock: the frame that was held is released after it, outside.
    platform::VideoFramePtr previous;
    {
        std::lock_guard lock(m_frameLock);
        previous = std::exchange(mCurrentImageBuffer, std::move(frame));
    }
}

platform::VideoFramePtr vexaLogging3AppDelegate::latestFrame() {
    std::lock_guard lock(m_frameLock);
    return mCurrentImageBuffer;
}

void vexaLogging3AppDelegate::CapturePicture() {
    CapturePicture(latestFrame());
}

void vexaLogging3AppDelegate::CapturePicture(const platform::VideoFramePtr& frame) {
    // Encoding runs outside the lock; the frame stays alive because we hold a reference.
    if (!frame)
        return;
    Picture jpeg = m_services.imageCodec.encodeJpeg(*frame, kJpegCompressionFactor);
    if (jpeg.empty())
        return;
    imgBufferArray.clear();
    imgBufferArray.push_back(std::move(jpeg));
}

void vexaLogging3AppDelegate::btnCapture() {
    CapturePicture();
    // With no record on show (an empty log) there is nowhere to put the still.
    const bool recordShown = logEditPos >= 1 && logEditPos <= logStartArray.recordCount();
    if (captureActive == 1 && !imgBufferArray.empty() && recordShown) {
        logStartArray.replace(LogList::indexOf(logEditPos, kFieldPicture),
                              std::move(imgBufferArray.front()));
        imgBufferArray.clear();
        editChangeFlag = 1;
    }
    LogImageRefresh();
}
