#include "capture/StillEncoder.h"

#include <utility>

#include "platform/BackgroundThread.h"

StillEncoder::StillEncoder(platform::ImageCodec& codec, double compressionFactor,
                           std::function<void()> finished)
    : m_codec(codec), m_compressionFactor(compressionFactor), m_finished(std::move(finished)) {}

StillEncoder::~StillEncoder() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void StillEncoder::encode(LogList::RecordKey record, int place, platform::VideoFramePtr frame) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({record, place, std::move(frame)});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

std::vector<StillEncoder::Still> StillEncoder::takeFinished() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_done, {});
}

void StillEncoder::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_encoding; });
}

void StillEncoder::run() {
    // A still may come a few milliseconds later; the record and the windows may not.
    platform::becomeBackgroundThread();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping)
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_encoding = true;
        lock.unlock();
        Still still{job.record, job.place, m_codec.encodeJpeg(*job.frame, m_compressionFactor)};
        // The frame goes back to the video system before anybody hears of the still.
        job.frame.reset();
        lock.lock();
        m_done.push_back(std::move(still));
        m_encoding = false;
        lock.unlock();
        m_changed.notify_all();
        m_finished();
        lock.lock();
    }
}
