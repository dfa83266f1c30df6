#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Video.h"

namespace platform {

// The live picture in the capture window. showFrame() is called on the capture thread for
// every frame of the running device and must return at once: a view that is still busy with
// an earlier frame drops it instead of queueing frames behind it, so the preview never lags.
class VideoPreview {
public:
    struct Size {
        int width = 0;
        int height = 0;
    };

    virtual ~VideoPreview() = default;
    virtual void showFrame(VideoFramePtr frame) = 0;
    // The box the view shows frames in. A video system that can scales the preview's frames
    // to fit it, keeping their shape, before they reach showFrame(); 0 x 0 asks for frames as
    // they come. Read on the capture thread, whenever the system likes.
    virtual Size previewSize() const { return {}; }
    // Shows a short text instead of a picture until the next frame comes (main thread).
    virtual void showText(std::string_view) {}
};

// How choosing a device ended.
struct VideoStart {
    enum Outcome {
        kStarted,
        // The device could not be opened (gone, busy, no permission): capture stays off.
        kDeviceFailed,
        // The device opened but delivers no frames the program can take.
        kOutputFailed,
    };
    Outcome outcome = kStarted;
    // The video system's own words for a failure, for an alert: a headline and the details.
    std::string error;
    std::string detail;
};

// The video inputs of the machine and the one running device. Everything but the frame and
// preview calls happens on the main thread.
class VideoSystem {
public:
    using FrameCallback = std::function<void(VideoFramePtr frame)>;
    // The running device failed after it had started (unplugged, cable pulled, driver error);
    // `why` is the video system's own message. Called at most once per start, on a capture
    // thread, and never once stop() has returned.
    using LostCallback = std::function<void(std::string why)>;

    virtual ~VideoSystem() = default;

    // The devices there are now, by display name: video devices, then devices that deliver
    // sound and picture in one stream, each group in the same order every time, and last the
    // built-in test pattern, which is always there. Indexes given to start() refer to the
    // list made by the latest call.
    virtual std::vector<std::string> deviceNames() = 0;

    // Stops whatever runs, then opens device `index` and starts it. From then on every frame
    // goes to `onFrame` and after it to the preview, both on the capture thread; a failure of
    // the running device goes to `onLost`.
    virtual VideoStart start(int index, FrameCallback onFrame, LostCallback onLost) = 0;

    // Stops the running device and frees it. Once this returns no callback runs any more.
    // Stopping when nothing runs does nothing.
    virtual void stop() = 0;

    // Where the frames of the running device are shown; nullptr for nowhere.
    virtual void setPreview(VideoPreview* preview) = 0;
};

}  // namespace platform
