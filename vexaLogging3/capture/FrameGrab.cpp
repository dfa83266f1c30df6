// The latest frame of the video input, and the stills grabbed from it.

#include <utility>

#include "vexaLogging3AppDelegate.h"

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
    // A log start's picture still under way must not land on top of this one.
    waitForPictures();
    CapturePicture();
    // With no record on show (an empty log) there is nowhere to put the still.
    const bool recordShown = logEditPos >= 1 && logEditPos <= logStartArray.recordCount();
    if (captureActive == 1 && !imgBufferArray.empty() && recordShown) {
        // A still grabbed over a picture can be taken back like any other picture change.
        EditStep step(*this, "Grab Still");
        storeValue(LogList::indexOf(logEditPos, kFieldPicture), std::move(imgBufferArray.front()));
        imgBufferArray.clear();
        editChangeFlag = 1;
    }
    LogImageRefresh();
}

void vexaLogging3AppDelegate::waitForPictures() {
    m_stills.waitUntilIdle();
    // Called before a save or an export starts reading, never while one reads: the stills go
    // in now, though a question (the quit prompt's Save) holds the device events.
    storeFinishedPictures(true);
}

void vexaLogging3AppDelegate::storeFinishedPictures(bool evenWhileHeld) {
    // While a save or an export reads the list on another thread, the stills wait; the
    // encoder's word that they are done is held until then too.
    if (m_documentBusy && !evenWhileHeld)
        return;
    bool onShow = false;
    for (StillEncoder::Still& still : m_stills.takeFinished()) {
        // A record deleted meanwhile, or a log replaced by New or Open, gets nothing; one
        // moved by an insert or a delete before it is found where it went.
        const int place = logStartArray.findRecord(still.record, still.place);
        if (still.jpeg.empty() || place == 0)
            continue;
        // A picture the user put there in the meantime stays.
        const std::size_t index = LogList::indexOf(place, kFieldPicture);
        if (!logStartArray.picture(index).empty())
            continue;
        logStartArray.replace(index, std::move(still.jpeg));
        editChangeFlag = 1;
        onShow = onShow || (place >= logEditPos - 1 && place <= logEditPos + 1);
    }
    if (onShow)
        LogImageRefresh();
}
