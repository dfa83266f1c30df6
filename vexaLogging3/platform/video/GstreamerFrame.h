#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/Video.h"

namespace platform {

// A frame of a GStreamer pipeline: owns one reference to the sample it came in, and keeps its
// I420 pixels mapped for as long as it lives. The shared_ptr around it is the frame's
// reference count towards the program; the last owner to let go gives the buffer back to
// GStreamer, so a device's buffer pool never waits for a frame the program has forgotten.
class GstreamerFrame final : public VideoFrame {
public:
    // Takes over `sample` (and unrefs it when it cannot be mapped). Nothing when the sample
    // holds no I420 picture.
    static std::shared_ptr<const GstreamerFrame> adopt(GstSample* sample);

    ~GstreamerFrame() override;
    GstreamerFrame(const GstreamerFrame&) = delete;
    GstreamerFrame& operator=(const GstreamerFrame&) = delete;

    int width() const override { return GST_VIDEO_FRAME_WIDTH(&m_frame); }
    int height() const override { return GST_VIDEO_FRAME_HEIGHT(&m_frame); }
    std::optional<YuvPlanes> planes() const override;

    // The source's count of this frame (the buffer offset); consecutive frames of a device
    // differ by one, so a gap is a frame lost on the way.
    std::uint64_t number() const { return GST_BUFFER_OFFSET(m_frame.buffer); }
    GstClockTime timestamp() const { return GST_BUFFER_PTS(m_frame.buffer); }

    // Frames alive in the whole program, for the leak checks of the tests.
    static int live() { return s_live.load(); }

private:
    GstreamerFrame() = default;

    GstSample* m_sample = nullptr;
    GstVideoFrame m_frame{};
    static inline std::atomic<int> s_live{0};
};

}  // namespace platform
