#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Puts messages on the wire one after another, at least `spacing` apart, from a thread of
// its own: the interface needs the pause between messages, and the window must not wait
// for it. Messages leave in the order they were pushed, whichever thread pushed them.
class MidiSendQueue {
public:
    // One message going out: it carries its bytes and where they go.
    using Send = std::function<void()>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    static constexpr std::chrono::milliseconds kSpacing{50};

    explicit MidiSendQueue(Sleep sleep = defaultSleep());
    ~MidiSendQueue();
    MidiSendQueue(const MidiSendQueue&) = delete;
    MidiSendQueue& operator=(const MidiSendQueue&) = delete;

    void push(Send send);
    // Blocks until every message pushed so far has been sent and its pause has passed.
    void waitUntilIdle();

    static Sleep defaultSleep();

private:
    void run();

    Sleep m_sleep;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Send> m_pending;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
