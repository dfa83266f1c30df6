#include "device/MidiSendQueue.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

void settleAll(std::vector<MidiSendQueue::Message>& dropped) {
    for (MidiSendQueue::Message& m : dropped) {
        if (m.settled)
            m.settled();
    }
}

}  // namespace

MidiSendQueue::MidiSendQueue(Sleep sleep, Log log)
    : m_sleep(std::move(sleep)), m_log(std::move(log)), m_thread([this] { run(); }) {}

MidiSendQueue::~MidiSendQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

MidiSendQueue::Sleep MidiSendQueue::defaultSleep() {
    return [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
}

void MidiSendQueue::push(Message message) {
    std::vector<Message> dropped;
    bool firstOverflow = false;
    {
        std::lock_guard lock(m_mutex);
        const auto older = std::find_if(m_pending.begin(), m_pending.end(), [&](const Message& m) {
            return message.playerTime && m.playerTime && m.connection == message.connection;
        });
        if (older != m_pending.end()) {
            // It keeps its place: the time goes out as early as the one it replaces would have.
            dropped.push_back(std::exchange(*older, std::move(message)));
        } else {
            if (m_pending.size() >= kBound) {
                dropped.push_back(std::move(m_pending.front()));
                m_pending.pop_front();
                ++m_overflowed;
                firstOverflow = !std::exchange(m_overflowing, true);
            }
            m_pending.push_back(std::move(message));
        }
    }
    m_wake.notify_one();
    if (firstOverflow && m_log)
        m_log("MIDI send queue full (" + std::to_string(kBound) +
              " messages waiting): the oldest are dropped");
    settleAll(dropped);
}

void MidiSendQueue::dropConnection(std::uint64_t connection) {
    std::vector<Message> dropped;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (it->connection == connection) {
                dropped.push_back(std::move(*it));
                it = m_pending.erase(it);
            } else {
                ++it;
            }
        }
        if (m_pending.empty() && !m_busy)
            m_idle.notify_all();
    }
    settleAll(dropped);
}

void MidiSendQueue::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && !m_busy; });
}

std::size_t MidiSendQueue::overflowed() const {
    std::lock_guard lock(m_mutex);
    return m_overflowed;
}

void MidiSendQueue::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        // Messages already queued still go out on shutdown: a stop command must not be lost.
        if (m_pending.empty())
            return;
        Message next = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        lock.unlock();
        next.send();
        if (next.settled)
            next.settled();
        m_sleep(kSpacing);
        lock.lock();
        m_busy = false;
        if (m_pending.empty()) {
            m_overflowing = false;
            m_idle.notify_all();
        }
    }
}
