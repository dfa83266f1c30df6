#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/VideoCapture.h"
#include "platform/video/GstreamerFrame.h"

namespace videotest {

// A preview that keeps the frames it is shown (while `keep` is on) and counts all of them,
// with a way to wait for the next ones. Called on the streaming thread.
class FrameRecorder final : public platform::VideoPreview {
public:
    using FramePtr = std::shared_ptr<const platform::GstreamerFrame>;

    void showFrame(platform::VideoFramePtr frame) override {
        std::lock_guard lock(m_mutex);
        ++m_count;
        auto own = std::dynamic_pointer_cast<const platform::GstreamerFrame>(frame);
        if (own)
            m_numbers.push_back(own->number());
        if (keep)
            m_kept.push_back(std::move(own));
        m_changed.notify_all();
    }

    Size previewSize() const override { return {box.load().width, box.load().height}; }

    // Waits until `more` frames beyond those seen so far came; false on timeout.
    bool waitFor(std::size_t more, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        const std::size_t target = m_count + more;
        return m_changed.wait_for(lock, timeout, [&] { return m_count >= target; });
    }
    std::size_t count() const {
        std::lock_guard lock(m_mutex);
        return m_count;
    }
    std::vector<FramePtr> kept() const {
        std::lock_guard lock(m_mutex);
        return m_kept;
    }
    // The source's numbers of all frames shown, in order.
    std::vector<std::uint64_t> numbers() const {
        std::lock_guard lock(m_mutex);
        return m_numbers;
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_kept.clear();
    }

    bool keep = false;  // set before frames flow
    // The view's size the frames are to fit; 0 x 0 for frames as they come.
    std::atomic<Size> box{Size{}};

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_count = 0;
    std::vector<std::uint64_t> m_numbers;
    std::vector<FramePtr> m_kept;
};

// Frames lost on the way: gaps in the source's numbering.
inline std::uint64_t framesMissing(const std::vector<std::uint64_t>& numbers) {
    std::uint64_t missing = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i] > numbers[i - 1] + 1)
            missing += numbers[i] - numbers[i - 1] - 1;
    return missing;
}

}  // namespace videotest
