#include "platform/video/GstreamerVideoSystem.h"

#include <gst/app/gstappsink.h>

#include "platform/video/GstreamerFrame.h"

namespace platform {

struct CapturePipeline {
    GstElement* pipeline = nullptr;
    // Runs on the streaming thread with every frame.
    std::function<void(VideoFramePtr)> deliver;

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

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    if (auto frame = GstreamerFrame::adopt(sample))
        static_cast<CapturePipeline*>(data)->deliver(std::move(frame));
    return GST_FLOW_OK;
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

    const int devices = static_cast<int>(m_devices.size());
    GstElement* source = nullptr;
    if (index >= 0 && index < devices)
        source = gst_device_create_element(m_devices[static_cast<std::size_t>(index)].device.get(),
                                           nullptr);
    else if (index == devices)
        source = makeTestPatternSource(m_options.testPattern);
    if (!source)
        return {VideoStart::kDeviceFailed, "The video device is not available.", {}};

    auto running = std::make_unique<CapturePipeline>();
    running->deliver = [this, onFrame = std::move(onFrame)](VideoFramePtr frame) {
        onFrame(frame);
        show(frame);
    };
    running->lost = std::move(onLost);
    running->pipeline = gst_pipeline_new("glimmark-capture");
    ++s_livePipelines;
    g_object_weak_ref(G_OBJECT(running->pipeline), onPipelineFinalised, &s_livePipelines);
    GstBus* bus = gst_element_get_bus(running->pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, running.get(), nullptr);
    gst_object_unref(bus);

    gst_bin_add(GST_BIN(running->pipeline), source);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!convert || !sink) {
        if (convert)
            gst_object_unref(convert);
        if (sink)
            gst_object_unref(sink);
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The video output cannot be made: videoconvert or appsink is missing.");
    }
    gst_bin_add_many(GST_BIN(running->pipeline), convert, sink, nullptr);

    // Frames as they are captured: never held back to a clock (sync off), at most one waiting
    // and the older one dropped, and no extra reference kept as the sink's "last sample".
    GstCaps* i420 = gst_caps_from_string("video/x-raw,format=I420");
    g_object_set(sink, "caps", i420, "max-buffers", 1u, "drop", TRUE, "sync", FALSE,
                 "enable-last-sample", FALSE, "qos", FALSE, nullptr);
    gst_caps_unref(i420);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, running.get(), nullptr);

    if (!gst_element_link_many(source, convert, sink, nullptr))
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The picture of the video device cannot be converted.");

    // Going to READY opens the device.
    if (gst_element_set_state(running->pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return fail(VideoStart::kDeviceFailed, std::move(running),
                    "The video device could not be opened.");

    // A live pipeline reaches PLAYING once its first frame has come through.
    GstState state = GST_STATE_VOID_PENDING;
    if (gst_element_set_state(running->pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        const GstClockTime timeout =
            static_cast<GstClockTime>(m_options.firstFrameTimeout.count()) * GST_MSECOND;
        gst_element_get_state(running->pipeline, &state, nullptr, timeout);
    }
    {
        // Decided under the error lock, so that a failure is either the start's or the
        // owner's, never both and never neither.
        std::lock_guard lock(running->errorMutex);
        running->started = state == GST_STATE_PLAYING && running->error.empty();
    }
    if (!running->started)
        return fail(VideoStart::kOutputFailed, std::move(running),
                    "The video device delivers no picture.");

    m_running = std::move(running);
    return {VideoStart::kStarted, {}, {}};
}

void GstreamerVideoSystem::stop() {
    tearDown(std::move(m_running));
}

void GstreamerVideoSystem::setPreview(VideoPreview* preview) {
    std::lock_guard lock(m_previewMutex);
    m_preview = preview;
}

void GstreamerVideoSystem::show(const VideoFramePtr& frame) {
    std::lock_guard lock(m_previewMutex);
    if (m_preview)
        m_preview->showFrame(frame);
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

}  // namespace platform
