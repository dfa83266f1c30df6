#pragma once

#include <memory>
#include <span>

#include "platform/MidiPacketList.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"
#include "support/FakePlatform.h"
#include "tests/video/FrameRecorder.h"
#include "vexasim/SimulatedInterface.h"

namespace videotest {

// The controller with the real video system and the real JPEG encoder, and the simulated
// interface wired straight to its MIDI callback: the interface's time moves only when the
// test says, so a log starts exactly when the test asks. The preview is a frame recorder; the
// rest are the usual fakes.
struct RealVideoApp {
    explicit RealVideoApp(platform::GstreamerVideoSystem::Options options = {})
        : video(options),
          sim([](std::span<const std::uint8_t> list) { myReadProc(list, nullptr, nullptr); }) {
        platform::Outlets outlets = windows.outlets();
        outlets.mCaptureView = &recorder;
        app = std::make_unique<vexaLogging3AppDelegate>(
            PlatformServices{mainThread, clock, systemLog, midi, codec, timers, video}, outlets);
    }
    ~RealVideoApp() {
        mainThread.drain();
        app.reset();
    }

    // The interface's manual log start, as the program's button sends it: the log-start event
    // comes back at once, through the MIDI callback, on this thread.
    void startLogOnTheInterface() {
        sim.receive(platform::makeMidiPacketList(app->messages.sysexLogManualStart));
    }

    fake::MainThread mainThread;
    fake::Clock clock;
    fake::SystemLog systemLog;
    fake::MidiSystem midi;
    fake::Timers timers;
    platform::TurboJpegCodec codec;
    platform::GstreamerVideoSystem video;
    fake::Windows windows;
    FrameRecorder recorder;
    vexasim::SimulatedInterface sim;
    std::unique_ptr<vexaLogging3AppDelegate> app;
};

}  // namespace videotest
