#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/VideoCapture.h"
#include "platform/video/GstreamerSources.h"

namespace platform {

// A started pipeline and what its threads call back into.
struct CapturePipeline;

// The machine's video inputs through GStreamer. Each chosen device gets a pipeline of its
// own: the device's source in the mode chosen for it (JPEG modes decoded), then two branches.
// One hands every frame to the program as it comes, unconverted, to be kept as the latest
// one for a grab; the other makes the live picture, thinned to the preview's rate. A frame in
// a layout the preview can sample (I420, YUY2, UYVY) reaches it whole and untouched: the
// preview reads only the pixels it shows. Any other layout is scaled to the preview's size
// before it is converted, so a camera's full frames are never converted for a picture the
// size of a window.
class GstreamerVideoSystem final : public VideoSystem {
public:
    // "GStreamer 1.22.0", for the About box.
    static std::string libraryVersion();
    static constexpr const char* kTestPatternName = "Test Pattern";

    struct Options {
        TestPatternFormat testPattern;
        // The live picture's highest rate.
        int previewFramesPerSecond = 25;
    };

    GstreamerVideoSystem();
    explicit GstreamerVideoSystem(Options options);
    // Stops and frees the running pipeline.
    ~GstreamerVideoSystem() override;
    GstreamerVideoSystem(const GstreamerVideoSystem&) = delete;
    GstreamerVideoSystem& operator=(const GstreamerVideoSystem&) = delete;

    std::vector<std::string> deviceNames() override;
    VideoStart start(int index, FrameCallback onFrame, LostCallback onLost) override;
    void stop() override;
    void setPreview(VideoPreview* preview) override;

    // Pipelines made and not yet finalised by GStreamer, in the whole program: the leak check
    // of the tests.
    static int livePipelines() { return s_livePipelines.load(); }

private:
    // Frees `pipeline` and answers `outcome` with the pipeline's own error, else `fallback`.
    VideoStart fail(VideoStart::Outcome outcome, std::unique_ptr<CapturePipeline> pipeline,
                    std::string fallback);
    void tearDown(std::unique_ptr<CapturePipeline> pipeline);
    void show(CapturePipeline& pipeline, const VideoFramePtr& frame);
    // Caps of the preview's frames: the source's own when the preview takes them whole, else
    // I420 fitted into the preview's box when it has one.
    GstCaps* previewCaps(CapturePipeline& pipeline);

    Options m_options;
    bool m_initialised = false;
    std::string m_initError;
    std::vector<ListedDevice> m_devices;
    std::unique_ptr<CapturePipeline> m_running;

    // Held while a frame is shown, so that a preview taken away is never called again.
    std::mutex m_previewMutex;
    VideoPreview* m_preview = nullptr;

    static inline std::atomic<int> s_livePipelines{0};
};

}  // namespace platform
