#pragma once

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using GstDeviceRef = std::unique_ptr<GstDevice, GstObjectUnref>;

// A video input of the machine as GStreamer's device monitor reports it.
struct ListedDevice {
    GstDeviceRef device;
    std::string name;
};

// The video inputs there are now: devices of picture only first, then those whose stream
// carries sound too, each group sorted by display name (and, for two cameras of one model, by
// their device path), so the list reads the same each time it is opened.
std::vector<ListedDevice> listVideoDevices();

// The largest picture asked of a device, and its highest rate: full HD stills, and no more
// pixels to move than a still needs.
inline constexpr int kMaxCaptureWidth = 1920;
inline constexpr int kMaxCaptureHeight = 1080;
inline constexpr int kMaxCaptureFramesPerSecond = 30;

// The mode to ask a device for, out of the modes it offers: the largest picture up to full
// HD, at the highest rate up to 30 per second, raw pictures rather than JPEG ones (which cost
// a decode each) when both give the same. Fixed caps, video/x-raw or image/jpeg; nullptr when
// the device offers neither within those bounds.
GstCaps* chooseCaptureCaps(const GstCaps* offered);

// The picture the test pattern delivers.
struct TestPatternFormat {
    int width = 1920;
    int height = 1080;
    int framesPerSecond = 25;
    // Frames delivered before the pattern ends as a device that died would; -1 for ever.
    int frames = -1;
    // The pixel layout: I420 as most capture cards give it, or YUY2 as most cameras do.
    const char* format = "I420";
    // How long the pattern keeps quiet before its first frame, as a capture card with no
    // signal on its input does.
    int silentMilliseconds = 0;
};

// The built-in source: colour bars with the running time since the device started and the
// time of day burnt in, so a grabbed still shows which moment it is. Without the text
// overlays (package gstreamer1.0-x) the bars come alone. A new floating bin with one source
// pad, or nullptr when even the bars are missing.
GstElement* makeTestPatternSource(const TestPatternFormat& format);

}  // namespace platform
