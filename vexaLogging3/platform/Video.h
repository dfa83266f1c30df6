#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Controls.h"

namespace platform {

// The pixels of a frame as planar YUV 4:2:0 (I420): a luma plane at the frame's size and two
// chroma planes of half its width and height, rounded up. Every video backend delivers this
// one layout, so that a grab is encoded straight from the frame and never converted first.
struct YuvPlanes {
    const std::uint8_t* y = nullptr;
    const std::uint8_t* u = nullptr;
    const std::uint8_t* v = nullptr;
    // Bytes from the start of one row to the start of the next, per plane.
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
    // How the samples lie in their rows: I420 unless said otherwise. A packed 4:2:2 layout
    // (YUY2: Y U Y V) has luma every 2 bytes, each chroma every 4, and chroma on every row.
    int lumaStep = 1;
    int chromaStep = 1;
    int chromaRowShift = 1;  // a chroma row per 2^shift luma rows
};

// One decoded frame of the live video input. Its pixels belong to the video backend,
// which subclasses this; the logic only keeps frames alive and hands them to the codec.
// Holding a shared_ptr is holding a reference: keeping a frame retains it, dropping
// the pointer releases it.
class VideoFrame {
public:
    virtual ~VideoFrame() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Valid as long as the frame is. Nothing when the frame carries no pixels of its own.
    // Always I420 (lumaStep, chromaStep and chromaRowShift at their defaults): the encoder
    // takes them as they are.
    virtual std::optional<YuvPlanes> planes() const = 0;
    // The pixels as they came, for a preview that samples a few of them: I420 or a packed
    // 4:2:2 layout, never converted for it.
    virtual std::optional<YuvPlanes> previewPlanes() const { return planes(); }
};
using VideoFramePtr = std::shared_ptr<const VideoFrame>;

class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // JPEG file data of the whole frame at its own size. compressionFactor runs from
    // 0.0 (smallest file) to 1.0 (best quality). Empty when the frame cannot be encoded.
    virtual Bytes encodeJpeg(const VideoFrame& frame, double compressionFactor) = 0;
    // A small JPEG of a JPEG picture, at most `maxWidth` pixels wide, for lists of many
    // pictures. Empty when the picture does not decode or the codec makes none.
    virtual Bytes thumbnailJpeg(const Bytes& jpeg, int maxWidth) {
        (void)jpeg;
        (void)maxWidth;
        return {};
    }
};

}  // namespace platform
