#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Video.h"

namespace platform {

// A frame of a GStreamer pipeline: owns one reference to the sample it came in, and keeps its
// pixels mapped for as long as it lives. A frame in another layout than I420 (a camera's
// YUY2, NV12, ...) is converted the first time its planes are asked for, which is only when it
// is grabbed: the many frames that are only ever the latest one cost no conversion. The shared_ptr
// around it is the frame's reference count towards the program; the last owner to let go gives the
// buffer back to GStreamer, so a device's buffer pool never waits for a frame the program has
// forgotten.
class GstreamerFrame final : public VideoFrame {
public:
    // Takes over `sample` (and unrefs it when it cannot be mapped). Nothing when the sample
    // holds no raw picture.
    static std::shared_ptr<const GstreamerFrame> adopt(GstSample* sample);

    ~GstreamerFrame() override;
    GstreamerFrame(const GstreamerFrame&) = delete;
    GstreamerFrame& operator=(const GstreamerFrame&) = delete;

    int width() const override { return GST_VIDEO_FRAME_WIDTH(&m_frame); }
    int height() const override { return GST_VIDEO_FRAME_HEIGHT(&m_frame); }
    std::optional<YuvPlanes> planes() const override;
    // YUY2 and UYVY as they are; other layouts as planes() gives them.
    std::optional<YuvPlanes> previewPlanes() const override;

    // The source's count of this frame (the buffer offset); consecutive frames of a device
    // differ by one, so a gap is a frame lost on the way.
    std::uint64_t number() const { return GST_BUFFER_OFFSET(m_frame.buffer); }
    GstClockTime timestamp() const { return GST_BUFFER_PTS(m_frame.buffer); }

    // Frames alive in the whole program, for the leak checks of the tests.
    static int live() { return s_live.load(); }

    // Whether the pixels came as I420, ready for the encoder.
    bool isI420() const { return GST_VIDEO_FRAME_FORMAT(&m_frame) == GST_VIDEO_FORMAT_I420; }

private:
    GstreamerFrame() = default;
    void convert() const;

    GstSample* m_sample = nullptr;
    GstVideoFrame m_frame{};
    // The I420 copy of a frame of another layout, made once when first asked for.
    mutable std::once_flag m_convertOnce;
    mutable GstVideoFrame m_i420{};
    mutable bool m_converted = false;
    static inline std::atomic<int> s_live{0};
};

}  // namespace platform
