#include "platform/video/GstreamerFrame.h"

namespace platform {

std::shared_ptr<const GstreamerFrame> GstreamerFrame::adopt(GstSample* sample) {
    if (!sample)
        return nullptr;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_I420) {
        gst_sample_unref(sample);
        return nullptr;
    }
    std::shared_ptr<GstreamerFrame> frame(new GstreamerFrame);
    // Mapped once here, on the capture thread: for memory in RAM that is only pointer work,
    // and a grab later reads the pixels without touching GStreamer.
    if (!gst_video_frame_map(&frame->m_frame, &info, buffer, GST_MAP_READ)) {
        gst_sample_unref(sample);
        return nullptr;
    }
    frame->m_sample = sample;
    ++s_live;
    return frame;
}

GstreamerFrame::~GstreamerFrame() {
    if (!m_sample)
        return;
    gst_video_frame_unmap(&m_frame);
    gst_sample_unref(m_sample);
    --s_live;
}

std::optional<YuvPlanes> GstreamerFrame::planes() const {
    auto* frame = const_cast<GstVideoFrame*>(&m_frame);
    YuvPlanes p;
    p.y = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
    p.u = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 1));
    p.v = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 2));
    p.yStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
    p.uStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 1);
    p.vStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 2);
    return p;
}

}  // namespace platform
