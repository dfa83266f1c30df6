#include "platform/video/GstreamerFrame.h"

namespace platform {

std::shared_ptr<const GstreamerFrame> GstreamerFrame::adopt(GstSample* sample) {
    if (!sample)
        return nullptr;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_UNKNOWN ||
        GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_ENCODED) {
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
    if (m_converted)
        gst_video_frame_unmap(&m_i420);  // and with it the copy's buffer
    gst_video_frame_unmap(&m_frame);
    gst_sample_unref(m_sample);
    --s_live;
}

void GstreamerFrame::convert() const {
    // Only the layout changes: rate, pixel shape and interlacing stay as the frame has them,
    // which the converter insists on.
    const GstVideoInfo& in = m_frame.info;
    GstVideoInfo info;
    if (!gst_video_info_set_interlaced_format(
            &info, GST_VIDEO_FORMAT_I420, GST_VIDEO_INFO_INTERLACE_MODE(&in), width(), height()))
        return;
    info.fps_n = in.fps_n;
    info.fps_d = in.fps_d;
    info.par_n = in.par_n;
    info.par_d = in.par_d;
    // YUV colours stay as the device stated them.
    if (GST_VIDEO_INFO_IS_YUV(&in))
        info.colorimetry = in.colorimetry;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    if (!buffer)
        return;
    if (!gst_video_frame_map(&m_i420, &info, buffer, GST_MAP_READWRITE)) {
        gst_buffer_unref(buffer);
        return;
    }
    gst_buffer_unref(buffer);  // the mapping holds its own reference
    GstVideoConverter* converter = gst_video_converter_new(&m_frame.info, &info, nullptr);
    if (!converter) {
        gst_video_frame_unmap(&m_i420);
        return;
    }
    gst_video_converter_frame(converter, &m_frame, &m_i420);
    gst_video_converter_free(converter);
    m_converted = true;
}

std::optional<YuvPlanes> GstreamerFrame::planes() const {
    if (!isI420()) {
        std::call_once(m_convertOnce, [this] { convert(); });
        if (!m_converted)
            return std::nullopt;
    }
    auto* frame = const_cast<GstVideoFrame*>(isI420() ? &m_frame : &m_i420);
    YuvPlanes p;
    p.y = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
    p.u = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 1));
    p.v = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 2));
    p.yStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
    p.uStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 1);
    p.vStride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 2);
    return p;
}

std::optional<YuvPlanes> GstreamerFrame::previewPlanes() const {
    const GstVideoFormat format = GST_VIDEO_FRAME_FORMAT(&m_frame);
    if (format != GST_VIDEO_FORMAT_YUY2 && format != GST_VIDEO_FORMAT_UYVY)
        return planes();
    const auto* row = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&m_frame, 0));
    const bool yuy2 = format == GST_VIDEO_FORMAT_YUY2;
    YuvPlanes p;
    p.y = row + (yuy2 ? 0 : 1);
    p.u = row + (yuy2 ? 1 : 0);
    p.v = row + (yuy2 ? 3 : 2);
    p.yStride = p.uStride = p.vStride = GST_VIDEO_FRAME_PLANE_STRIDE(&m_frame, 0);
    p.lumaStep = 2;
    p.chromaStep = 4;
    p.chromaRowShift = 0;
    return p;
}

}  // namespace platform
