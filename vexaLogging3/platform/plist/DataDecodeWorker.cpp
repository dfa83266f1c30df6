#include "platform/plist/DataDecodeWorker.h"

#include <new>

#include "platform/plist/Base64.h"

namespace platform::plist {

namespace {

constexpr std::size_t kMaxQueuedBytes = 16 << 20;

}  // namespace

DataDecodeWorker::~DataDecodeWorker() {
    stop();
}

void DataDecodeWorker::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void DataDecodeWorker::submit(std::size_t index, std::string base64) {
    std::unique_lock lock(m_mutex);
    if (!m_thread.joinable())
        m_thread = std::thread(&DataDecodeWorker::run, this);
    m_room.wait(lock, [this] { return m_queuedBytes < kMaxQueuedBytes || m_failed; });
    m_queuedBytes += base64.size();
    m_jobs.push_back({index, std::move(base64)});
    lock.unlock();
    m_wake.notify_one();
}

std::string DataDecodeWorker::finish(std::vector<LogValue>& entries) {
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return (m_jobs.empty() && !m_busy) || m_failed; });
    }
    stop();
    if (m_failed)
        return m_reason;
    for (auto& [index, picture] : m_done) entries[index] = std::move(picture);
    m_done.clear();
    return "";
}

void DataDecodeWorker::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty())
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_queuedBytes -= job.base64.size();
        m_busy = true;
        lock.unlock();
        m_room.notify_all();
        try {
            Picture picture;
            picture.reserve(job.base64.size() / 4 * 3);
            Base64Decoder decoder(picture);
            decoder.feed(job.base64.data(), job.base64.size());
            decoder.finish();
            job.base64 = std::string();
            lock.lock();
            if (decoder.valid()) {
                m_done.emplace_back(job.index, std::move(picture));
            } else if (!m_failed) {
                m_failed = true;
                m_reason =
                    "value " + std::to_string(job.index + 1) + " is <data> that is not Base64";
            }
        } catch (const std::bad_alloc&) {
            if (!lock.owns_lock())
                lock.lock();
            if (!m_failed)
                m_reason = "not enough memory to hold it";
            m_failed = true;
        }
        m_busy = false;
        m_room.notify_all();
    }
}

}  // namespace platform::plist
