#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"
#include "platform/video/GstreamerFrame.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"

namespace videotest {

// Notes each frame's source number, keeps the frames while `keep` is on (set before frames
// flow), and lets a test wait for more. Called on a streaming thread.
class FrameRecorder final : public platform::VideoPreview {
public:
    void showFrame(platform::VideoFramePtr frame) override {
        auto own = std::dynamic_pointer_cast<const platform::GstreamerFrame>(frame);
        std::lock_guard lock(m_mutex);
        m_numbers.push_back(own ? own->number() : 0);
        if (keep)
            m_kept.push_back(std::move(own));
        m_changed.notify_all();
    }
    // Waits until `more` frames beyond those seen so far came; false after ten seconds.
    bool waitFor(std::size_t more) {
        std::unique_lock lock(m_mutex);
        const std::size_t target = m_numbers.size() + more;
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_numbers.size() >= target; });
    }
    std::vector<std::shared_ptr<const platform::GstreamerFrame>> kept() const {
        std::lock_guard lock(m_mutex);
        return m_kept;
    }
    std::vector<std::uint64_t> numbers() const {
        std::lock_guard lock(m_mutex);
        return m_numbers;
    }
    Size previewSize() const override { return box; }
    bool keep = false;
    Size box;  // the view's, for frames scaled to it

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint64_t> m_numbers;
    std::vector<std::shared_ptr<const platform::GstreamerFrame>> m_kept;
};

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

// The controller over the real video system and JPEG encoder, a frame recorder as preview.
struct RealVideoApp {
    explicit RealVideoApp(platform::TestPatternFormat pattern = {}) : video({pattern}) {}
    // The interface's log-start event, through the MIDI callback, on this thread.
    void startLogOnTheInterface() {
        const std::uint8_t logStart[] = {0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7};
        myReadProc(platform::makeMidiPacketList(logStart), nullptr, nullptr);
    }

    platform::TurboJpegCodec codec;
    platform::GstreamerVideoSystem video;
    GrabTap tap{video};
    FrameRecorder recorder;
    fake::App fakes{{.codec = &codec, .video = &tap, .preview = &recorder}};
};

}  // namespace videotest
