#include "platform/video/GstreamerSources.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <tuple>

namespace platform {
namespace {

std::string stringProperty(GstDevice* device, const char* key) {
    GstStructure* properties = gst_device_get_properties(device);
    if (!properties)
        return {};
    const gchar* value = gst_structure_get_string(properties, key);
    std::string text = value ? value : "";
    gst_structure_free(properties);
    return text;
}

// The node a device is opened through; tells apart two devices with one display name.
std::string devicePath(GstDevice* device) {
    for (const char* key : {"device.path", "api.v4l2.path", "object.path"}) {
        std::string path = stringProperty(device, key);
        if (!path.empty())
            return path;
    }
    return {};
}

bool carriesSound(GstDevice* device) {
    gchar* klass = gst_device_get_device_class(device);
    const bool sound = klass && std::string_view(klass).find("Audio") != std::string_view::npos;
    g_free(klass);
    return sound;
}

void setOverlay(GstElement* overlay, const char* horizontal, const char* vertical) {
    gst_util_set_object_arg(G_OBJECT(overlay), "halignment", horizontal);
    gst_util_set_object_arg(G_OBJECT(overlay), "valignment", vertical);
    g_object_set(overlay, "font-desc", "Sans 36", "shaded-background", TRUE, nullptr);
}

}  // namespace

std::vector<ListedDevice> listVideoDevices() {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    // Without start() the monitor probes the hardware once, now, which is what a list that
    // is about to open wants.
    GList* found = gst_device_monitor_get_devices(monitor);

    struct Entry {
        bool sound;
        std::string name;
        std::string path;
        GstDevice* device;
    };
    std::vector<Entry> entries;
    for (GList* item = found; item; item = item->next) {
        auto* device = GST_DEVICE(item->data);
        gchar* name = gst_device_get_display_name(device);
        entries.push_back({carriesSound(device), name ? name : "", devicePath(device), device});
        g_free(name);
    }
    g_list_free(found);  // the references now belong to `entries`
    gst_object_unref(monitor);

    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.sound, a.name, a.path) < std::tie(b.sound, b.name, b.path);
    });
    std::vector<ListedDevice> devices;
    devices.reserve(entries.size());
    for (Entry& e : entries) devices.push_back({GstDeviceRef(e.device), std::move(e.name)});
    return devices;
}

GstCaps* chooseCaptureCaps(const GstCaps* offered) {
    if (!offered)
        return nullptr;
    GstCaps* bounds = gst_caps_from_string(
        "video/x-raw, width=(int)[1,1920], height=(int)[1,1080], framerate=(fraction)[0/1,30/1]; "
        "image/jpeg, width=(int)[1,1920], height=(int)[1,1080], framerate=(fraction)[0/1,30/1]");
    GstCaps* within = gst_caps_intersect(const_cast<GstCaps*>(offered), bounds);
    gst_caps_unref(bounds);

    GstStructure* best = nullptr;
    std::tuple<long long, double, bool> bestScore{-1, -1.0, false};
    for (guint i = 0; i < gst_caps_get_size(within); ++i) {
        GstStructure* mode = gst_structure_copy(gst_caps_get_structure(within, i));
        gst_structure_fixate_field_nearest_int(mode, "width", kMaxCaptureWidth);
        gst_structure_fixate_field_nearest_int(mode, "height", kMaxCaptureHeight);
        gst_structure_fixate_field_nearest_fraction(mode, "framerate", kMaxCaptureFramesPerSecond,
                                                    1);
        gst_structure_fixate(mode);
        int width = 0, height = 0, rateN = 0, rateD = 1;
        gst_structure_get_int(mode, "width", &width);
        gst_structure_get_int(mode, "height", &height);
        gst_structure_get_fraction(mode, "framerate", &rateN, &rateD);
        const std::tuple<long long, double, bool> score{
            static_cast<long long>(width) * height, rateD > 0 ? double(rateN) / rateD : 0.0,
            gst_structure_has_name(mode, "video/x-raw")};
        if (score > bestScore) {
            if (best)
                gst_structure_free(best);
            best = mode;
            bestScore = score;
        } else {
            gst_structure_free(mode);
        }
    }
    gst_caps_unref(within);
    if (!best)
        return nullptr;
    GstCaps* chosen = gst_caps_new_empty();
    gst_caps_append_structure(chosen, best);
    return chosen;
}

GstElement* makeTestPatternSource(const TestPatternFormat& format) {
    GstElement* bars = gst_element_factory_make("videotestsrc", nullptr);
    GstElement* shape = gst_element_factory_make("capsfilter", nullptr);
    if (!bars || !shape) {
        if (bars)
            gst_object_unref(bars);
        if (shape)
            gst_object_unref(shape);
        return nullptr;
    }
    // Live: frames come at the pattern's own rate, stamped with the pipeline clock, as a
    // camera's would, instead of as fast as the machine can draw them.
    g_object_set(bars, "is-live", TRUE, "num-buffers", format.frames, nullptr);
    gst_util_set_object_arg(G_OBJECT(bars), "pattern", "smpte");
    GstCaps* caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, format.format, "width", G_TYPE_INT, format.width,
        "height", G_TYPE_INT, format.height, "framerate", GST_TYPE_FRACTION, format.framesPerSecond,
        1, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(shape, "caps", caps, nullptr);
    gst_caps_unref(caps);

    GstElement* bin = gst_bin_new("test-pattern");
    gst_bin_add_many(GST_BIN(bin), bars, shape, nullptr);
    gst_element_link(bars, shape);
    GstElement* last = shape;

    // Running time bottom right, to the millisecond: each frame of the pattern looks
    // different. Time of day top left, to match the record's time of day.
    if (GstElement* running = gst_element_factory_make("timeoverlay", nullptr)) {
        setOverlay(running, "right", "bottom");
        gst_util_set_object_arg(G_OBJECT(running), "time-mode", "running-time");
        gst_bin_add(GST_BIN(bin), running);
        gst_element_link(last, running);
        last = running;
    }
    if (GstElement* clock = gst_element_factory_make("clockoverlay", nullptr)) {
        setOverlay(clock, "left", "top");
        g_object_set(clock, "time-format", "%H:%M:%S", nullptr);
        gst_bin_add(GST_BIN(bin), clock);
        gst_element_link(last, clock);
        last = clock;
    }

    GstPad* out = gst_element_get_static_pad(last, "src");
    if (format.silentMilliseconds > 0) {
        // Frames are made from the start but held back until the "signal" comes.
        auto* signalAt = new std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::now() +
            std::chrono::milliseconds(format.silentMilliseconds));
        gst_pad_add_probe(
            out, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer data) {
                const auto* at = static_cast<std::chrono::steady_clock::time_point*>(data);
                return std::chrono::steady_clock::now() < *at ? GST_PAD_PROBE_DROP
                                                              : GST_PAD_PROBE_OK;
            },
            signalAt,
            [](gpointer data) {
                delete static_cast<std::chrono::steady_clock::time_point*>(data);
            });
    }
    gst_element_add_pad(bin, gst_ghost_pad_new("src", out));
    gst_object_unref(out);
    return bin;
}

}  // namespace platform
