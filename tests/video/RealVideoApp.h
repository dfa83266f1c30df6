#pragma once

#include <memory>

#include "platform/MidiPacketList.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"
#include "support/FakePlatform.h"
#include "tests/video/FrameRecorder.h"
#include "vexasim/SimulatedInterface.h"

namespace videotest {

// The real video system, with every frame its grab branch hands the controller recorded too.
struct GrabTap final : platform::VideoSystem {
    explicit GrabTap(platform::VideoSystem& real) : real(real) {}
    std::vector<std::string> deviceNames() override { return real.deviceNames(); }
    platform::VideoStart start(int index, FrameCallback onFrame, LostCallback onLost) override {
        auto both = [this, onFrame](platform::VideoFramePtr frame) {
            onFrame(frame);
            grabs.showFrame(std::move(frame));
        };
        return real.start(index, both, std::move(onLost));
    }
    void stop() override { real.stop(); }
    void setPreview(platform::VideoPreview* preview) override { real.setPreview(preview); }
    platform::VideoSystem& real;
    FrameRecorder grabs;
};

// The controller over the real video system and JPEG encoder, a frame recorder as preview and
// the simulated interface wired straight to its MIDI callback; the rest are the usual fakes.
struct RealVideoApp {
    explicit RealVideoApp(platform::TestPatternFormat pattern = {})
        : video({pattern}), sim([](auto list) { myReadProc(list, nullptr, nullptr); }) {}
    // The log-start event comes back at once, through the MIDI callback, on this thread.
    void startLogOnTheInterface() {
        sim.receive(platform::makeMidiPacketList(app->messages.sysexLogManualStart));
    }

    platform::TurboJpegCodec codec;
    platform::GstreamerVideoSystem video;
    GrabTap tap{video};
    FrameRecorder recorder;
    fake::App fakes{{.codec = &codec, .video = &tap, .preview = &recorder}};
    fake::MainThread& mainThread = fakes.mainThread;
    std::unique_ptr<vexaLogging3AppDelegate>& app = fakes.app;
    vexasim::SimulatedInterface sim;
};

}  // namespace videotest
