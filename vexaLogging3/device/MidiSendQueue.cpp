#include "device/MidiSendQueue.h"

MidiSendQueue::MidiSendQueue(Sleep sleep)
    : m_sleep(std::move(sleep)), m_thread([this] { run(); }) {}

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

void MidiSendQueue::push(Send send) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(send));
    }
    m_wake.notify_one();
}

void MidiSendQueue::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && !m_busy; });
}

void MidiSendQueue::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        // Messages already queued still go out on shutdown: a stop command must not be lost.
        if (m_pending.empty())
            return;
        Send next = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        lock.unlock();
        next();
        m_sleep(kSpacing);
        lock.lock();
        m_busy = false;
        if (m_pending.empty())
            m_idle.notify_all();
    }
}
