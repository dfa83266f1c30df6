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

// The picture the test pattern delivers.
struct TestPatternFormat {
    int width = 1920;
    int height = 1080;
    int framesPerSecond = 25;
    // Frames delivered before the pattern ends as a device that died would; -1 for ever.
    int frames = -1;
};

// The built-in source: colour bars with the running time since the device started and the
// time of day burnt in, so a grabbed still shows which moment it is. Without the text
// overlays (package gstreamer1.0-x) the bars come alone. A new floating bin with one source
// pad, or nullptr when even the bars are missing.
GstElement* makeTestPatternSource(const TestPatternFormat& format);

}  // namespace platform
