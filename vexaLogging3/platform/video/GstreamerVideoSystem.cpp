#include "platform/video/GstreamerVideoSystem.h"

#include <gst/app/gstappsink.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "platform/video/GstreamerFrame.h"

namespace platform {

struct CapturePipeline {
    GstElement* pipeline = nullptr;
    // Runs on the grab branch's streaming thread with every frame.
    std::function<void(VideoFramePtr)> deliver;
    // Runs on the preview branch's streaming thread with every preview frame.
    std::function<void(VideoFramePtr)> preview;

    // The size of the source's frames (0 when the device does not say) and the preview's box
    // the preview's caps were made for.
    int sourceWidth = 0;
    int sourceHeight = 0;
    GstElement* previewShape = nullptr;
    VideoPreview::Size previewBox;
    // The source's layout when the preview paints its frames whole (I420, YUY2, UYVY: the
    // preview samples only the pixels it shows); empty when they are scaled and converted to
    // I420 first.
    std::string wholeFrameFormat;

    // The first error the pipeline reported, from whichever thread reported it.
    std::mutex errorMutex;
    std::string error;
    // Once the device has started, a failure is no longer the start's to report: it goes to
    // the owner, once.
    bool started = false;
    VideoSystem::LostCallback lost;

    bool failed() {
        std::lock_guard lock(errorMutex);
        return !error.empty();
    }
};

namespace {

GstFlowReturn onNewFrame(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    if (auto frame = GstreamerFrame::adopt(sample))
        static_cast<CapturePipeline*>(data)->deliver(std::move(frame));
    return GST_FLOW_OK;
}

GstFlowReturn onNewPreviewFrame(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    if (auto frame = GstreamerFrame::adopt(sample))
        static_cast<CapturePipeline*>(data)->preview(std::move(frame));
    return GST_FLOW_OK;
}

// Frames as they are captured: never held back to a clock (sync off), at most one waiting
// and the older one dropped, and no extra reference kept as the sink's "last sample".
GstElement* makeFrameSink(GstCaps* caps, GstFlowReturn (*onSample)(GstAppSink*, gpointer),
                          CapturePipeline* running) {
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink)
        return nullptr;
    g_object_set(sink, "caps", caps, "max-buffers", 1u, "drop", TRUE, "sync", FALSE,
                 "enable-last-sample", FALSE, "qos", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, running, nullptr);
    return sink;
}

// A branch of its own thread that never holds up the other: the newest frame only.
GstElement* makeLeakyQueue() {
    GstElement* queue = gst_element_factory_make("queue", nullptr);
    if (queue) {
        g_object_set(queue, "max-size-buffers", 1u, "max-size-bytes", 0u, "max-size-time",
                     guint64{0}, nullptr);
        gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
    }
    return queue;
}

// Makes every element or none: a missing one is named in `missing`.
bool makeAll(std::initializer_list<std::pair<GstElement**, const char*>> elements,
             std::string& missing) {
    for (const auto& [element, factory] : elements) {
        if (!*element)
            *element = gst_element_factory_make(factory, nullptr);
        if (!*element && missing.empty())
            missing = factory;
    }
    if (missing.empty())
        return true;
    for (const auto& [element, factory] : elements) {
        if (*element)
            gst_object_unref(*element);
        *element = nullptr;
    }
    return false;
}

// Nobody reads the bus of a capture pipeline, so every message is looked at as it is posted
// and dropped (which makes it ours to unref): over a long run the bus never fills up. Errors
// are kept for the caller.
GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
        auto* running = static_cast<CapturePipeline*>(data);
        std::string why = "The video device stopped delivering pictures.";
        if (type == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            if (error && error->message)
                why = error->message;
            g_clear_error(&error);
        }
        VideoSystem::LostCallback lost;
        {
            std::lock_guard lock(running->errorMutex);
            if (running->error.empty()) {
                running->error = why;
                if (running->started)
                    lost = std::move(running->lost);
            }
        }
        if (lost)
            lost(why);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void onPipelineFinalised(gpointer counter, GObject*) {
    --*static_cast<std::atomic<int>*>(counter);
}

}  // namespace

GstreamerVideoSystem::GstreamerVideoSystem() : GstreamerVideoSystem(Options{}) {}

GstreamerVideoSystem::GstreamerVideoSystem(Options options) : m_options(options) {
    GError* error = nullptr;
    m_initialised = gst_init_check(nullptr, nullptr, &error);
    if (!m_initialised)
        m_initError = error && error->message ? error->message : "GStreamer did not start.";
    g_clear_error(&error);
}

GstreamerVideoSystem::~GstreamerVideoSystem() {
    stop();
}

std::vector<std::string> GstreamerVideoSystem::deviceNames() {
    m_devices.clear();
    if (m_initialised)
        m_devices = listVideoDevices();
    std::vector<std::string> names;
    names.reserve(m_devices.size() + 1);
    for (const ListedDevice& d : m_devices) names.push_back(d.name);
    names.emplace_back(kTestPatternName);
    return names;
}

VideoStart GstreamerVideoSystem::start(int index, FrameCallback onFrame, LostCallback onLost) {
    stop();
    if (!m_initialised)
        return {VideoStart::kDeviceFailed, m_initError, {}};

    auto running = std::make_unique<CapturePipeline>();
    const int devices = static_cast<int>(m_devices.size());
    GstElement* source = nullptr;
    // The device's mode, fixed here, so the picture's size is known before the first frame.
    GstCaps* mode = nullptr;
    if (index >= 0 && index < devices) {
        GstDevice* device = m_devices[static_cast<std::size_t>(index)].device.get();
        source = gst_device_create_element(device, nullptr);
        if (GstCaps* offered = gst_device_get_caps(device)) {
            mode = chooseCaptureCaps(offered);
            gst_caps_unref(offered);
        }
    } else if (index == devices) {
        source = makeTestPatternSource(m_options.testPattern);
        running->sourceWidth = m_options.testPattern.width;
        running->sourceHeight = m_options.testPattern.height;
        running->wholeFrameFormat = m_options.testPattern.format;
    }
    if (!source) {
        if (mode)
            gst_caps_unref(mode);
        return {VideoStart::kDeviceFailed, "The video device is not available.", {}};
    }
    bool jpeg = false;
    if (mode) {
        const GstStructure* fixed = gst_caps_get_structure(mode, 0);
        gst_structure_get_int(fixed, "width", &running->sourceWidth);
        gst_structure_get_int(fixed, "height", &running->sourceHeight);
        jpeg = gst_structure_has_name(fixed, "image/jpeg");
        if (const char* format = gst_structure_get_string(fixed, "format"))
            running->wholeFrameFormat = format;
    }
    if (running->wholeFrameFormat != "I420" && running->wholeFrameFormat != "YUY2" &&
        running->wholeFrameFormat != "UYVY")
        running->wholeFrameFormat.clear();

    running->deliver = std::move(onFrame);
    running->preview = [this, pipeline = running.get()](VideoFramePtr frame) {
        show(*pipeline, frame);
    };
    running->lost = std::move(onLost);
    running->pipeline = gst_pipeline_new("glimmark-capture");
    ++s_livePipelines;
    g_object_weak_ref(G_OBJECT(running->pipeline), onPipelineFinalised, &s_livePipelines);
    GstBus* bus = gst_element_get_bus(running->pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, running.get(), nullptr);
    gst_object_unref(bus);
    gst_bin_add(GST_BIN(running->pipeline), source);

    GstCaps* anyRaw = gst_caps_from_string("video/x-raw");
    GstElement* grabSink = makeFrameSink(anyRaw, onNewFrame, running.get());
    GstElement* previewSink = makeFrameSink(anyRaw, onNewPreviewFrame, running.get());
    gst_caps_unref(anyRaw);
    // A factory that is missing makes nothing, so the calls below find it missing again.
    GstElement* grabQueue = makeLeakyQueue();
    GstElement* previewQueue = makeLeakyQueue();
    GstElement *modeFilter = nullptr, *decoder = nullptr, *tee = nullptr, *rate = nullptr,
               *scale = nullptr, *convert = nullptr, *previewShape = nullptr;
    std::string missing;
    if (!makeAll({{&grabSink, "appsink"},
                  {&previewSink, "appsink"},
                  {&tee, "tee"},
                  {&grabQueue, "queue"},
                  {&previewQueue, "queue"},
                  {&rate, "videorate"},
                  {&scale, "videoscale"},
                  {&convert, "videoconvert"},
                  {&previewShape, "capsfilter"}},
                 missing) ||
        (mode && !makeAll({{&modeFilter, "capsfilter"}}, missing)) ||
        (jpeg && !makeAll({{&decoder, "jpegdec"}}, missing))) {
        if (mode)
            gst_caps_unref(mode);
        for (GstElement* made : {grabSink, previewSink, tee, grabQueue, previewQueue, rate, scale,
                                 convert, previewShape, modeFilter})
            if (made)
                gst_object_unref(made);
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The video output cannot be made: " + missing + " is missing.");
    }
    // Only frames are dropped, never made up; nearest neighbour is what a live picture the
    // size of a window needs, at a fraction of a filter's cost.
    g_object_set(rate, "drop-only", TRUE, "max-rate", m_options.previewFramesPerSecond, nullptr);
    gst_util_set_object_arg(G_OBJECT(scale), "method", "nearest-neighbour");
    GstCaps* shape = previewCaps(*running);
    g_object_set(previewShape, "caps", shape, nullptr);
    gst_caps_unref(shape);
    running->previewShape = previewShape;

    gst_bin_add_many(GST_BIN(running->pipeline), tee, grabQueue, grabSink, previewQueue, rate,
                     scale, convert, previewShape, previewSink, nullptr);
    GstElement* last = source;
    bool linked = true;
    for (GstElement* step : {modeFilter, decoder}) {
        if (!step)
            continue;
        gst_bin_add(GST_BIN(running->pipeline), step);
        linked = linked && gst_element_link(last, step);
        last = step;
    }
    if (modeFilter)
        g_object_set(modeFilter, "caps", mode, nullptr);
    if (mode)
        gst_caps_unref(mode);
    linked = linked && gst_element_link(last, tee) &&
             gst_element_link_many(tee, grabQueue, grabSink, nullptr) &&
             gst_element_link_many(tee, previewQueue, rate, scale, convert, previewShape,
                                   previewSink, nullptr);
    if (!linked)
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The picture of the video device cannot be converted.");

    // Going to READY opens the device.
    if (gst_element_set_state(running->pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return fail(VideoStart::kDeviceFailed, std::move(running),
                    "The video device could not be opened.");
    // Frames come when the device has a picture to give; nobody waits for the first one. A
    // card without a signal simply delivers nothing until it gets one.
    const bool playing =
        gst_element_set_state(running->pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    {
        // Decided under the error lock, so that a failure is either the start's or the
        // owner's, never both and never neither.
        std::lock_guard lock(running->errorMutex);
        running->started = playing && running->error.empty();
    }
    if (!running->started)
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The video device delivers no picture.");

    m_running = std::move(running);
    return {VideoStart::kStarted, {}, {}};
}

GstCaps* GstreamerVideoSystem::previewCaps(CapturePipeline& running) {
    {
        std::lock_guard lock(m_previewMutex);
        running.previewBox = m_preview ? m_preview->previewSize() : VideoPreview::Size{};
    }
    if (!running.wholeFrameFormat.empty())
        return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                   running.wholeFrameFormat.c_str(), nullptr);
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=I420");
    const VideoPreview::Size box = running.previewBox;
    if (box.width > 0 && box.height > 0 && running.sourceWidth > 0 && running.sourceHeight > 0) {
        // The largest picture of the source's shape that fits the box; never enlarged.
        long long width = box.width;
        long long height = width * running.sourceHeight / running.sourceWidth;
        if (height > box.height) {
            height = box.height;
            width = height * running.sourceWidth / running.sourceHeight;
        }
        if (width >= running.sourceWidth) {
            width = running.sourceWidth;
            height = running.sourceHeight;
        }
        gst_caps_set_simple(caps, "width", G_TYPE_INT, static_cast<int>(std::max(width, 2LL)),
                            "height", G_TYPE_INT, static_cast<int>(std::max(height, 2LL)),
                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    }
    return caps;
}

void GstreamerVideoSystem::stop() {
    tearDown(std::move(m_running));
}

void GstreamerVideoSystem::setPreview(VideoPreview* preview) {
    std::lock_guard lock(m_previewMutex);
    m_preview = preview;
}

void GstreamerVideoSystem::show(CapturePipeline& running, const VideoFramePtr& frame) {
    VideoPreview::Size box;
    {
        std::lock_guard lock(m_previewMutex);
        if (!m_preview)
            return;
        box = m_preview->previewSize();
        m_preview->showFrame(frame);
    }
    // The view was resized: the next frames are scaled for its new size.
    if (running.wholeFrameFormat.empty() &&
        (box.width != running.previewBox.width || box.height != running.previewBox.height)) {
        GstCaps* caps = previewCaps(running);
        g_object_set(running.previewShape, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
}

VideoStart GstreamerVideoSystem::fail(VideoStart::Outcome outcome,
                                      std::unique_ptr<CapturePipeline> running,
                                      std::string fallback) {
    // The headline says what failed for the user; GStreamer's own message says why.
    VideoStart result{outcome, std::move(fallback), {}};
    {
        std::lock_guard lock(running->errorMutex);
        result.detail = running->error;
    }
    tearDown(std::move(running));
    return result;
}

void GstreamerVideoSystem::tearDown(std::unique_ptr<CapturePipeline> running) {
    if (!running)
        return;
    // A device that fails while it is being stopped is not lost: the owner let it go.
    {
        std::lock_guard lock(running->errorMutex);
        running->lost = nullptr;
    }
    // Back to NULL joins the streaming thread: after it no frame callback runs, and the
    // device is closed.
    gst_element_set_state(running->pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(running->pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(running->pipeline);
}

std::string GstreamerVideoSystem::libraryVersion() {
    gchar* text = gst_version_string();
    std::string version = text;
    g_free(text);
    return version;
}

}  // namespace platform
