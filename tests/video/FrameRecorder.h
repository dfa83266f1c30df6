#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/VideoCapture.h"
#include "platform/video/GstreamerFrame.h"

namespace videotest {

// Notes the source's number of each frame it is shown, keeps the frames while `keep` is on
// (set before frames flow), and lets a test wait for more. Called on a streaming thread.
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
    bool keep = false;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint64_t> m_numbers;
    std::vector<std::shared_ptr<const platform::GstreamerFrame>> m_kept;
};

}  // namespace videotest
