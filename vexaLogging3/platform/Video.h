#pragma once

#include <memory>

#include "platform/Controls.h"

namespace platform {

// One decoded frame of the live video input. Its pixels belong to the video backend,
// which subclasses this; the logic only keeps frames alive and hands them to the codec.
// Holding a shared_ptr is holding a reference: keeping a frame retains it, dropping
// the pointer releases it.
class VideoFrame {
public:
    virtual ~VideoFrame() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};
using VideoFramePtr = std::shared_ptr<const VideoFrame>;

class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // JPEG file data of the whole frame at its own size. compressionFactor runs from
    // 0.0 (smallest file) to 1.0 (best quality). Empty when the frame cannot be encoded.
    virtual Bytes encodeJpeg(const VideoFrame& frame, double compressionFactor) = 0;
};

}  // namespace platform
