#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

// Puts messages on the wire one after another, at least `spacing` apart, from a thread of
// its own: the interface needs the pause between messages, and the window must not wait
// for it. Messages leave in the order they were pushed, whichever thread pushed them.
//
// What waits is bounded, so that nothing the user or the handshake sends waits behind a
// flood: a newer player time replaces one not yet sent (only the latest counts for the
// interface), what was queued for a connection since closed is dropped, and past kBound
// waiting messages the oldest goes, with a line in the system log.
class MidiSendQueue {
public:
    // One message going out: it carries its bytes and where they go.
    using Send = std::function<void()>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;
    using Log = std::function<void(std::string_view line)>;

    struct Message {
        Send send;
        // Runs once the message has left, or instead of it when it is dropped; on the queue's
        // thread or on the one that dropped it.
        std::function<void()> settled;
        // The connection it was queued for.
        std::uint64_t connection = 0;
        // A stop or comparison time for the player.
        bool playerTime = false;
    };

    static constexpr std::chrono::milliseconds kSpacing{50};
    static constexpr std::size_t kBound = 256;

    explicit MidiSendQueue(Sleep sleep = defaultSleep(), Log log = {});
    ~MidiSendQueue();
    MidiSendQueue(const MidiSendQueue&) = delete;
    MidiSendQueue& operator=(const MidiSendQueue&) = delete;

    void push(Message message);
    void push(Send send) { push(Message{std::move(send), {}, 0, false}); }
    // Drops every message still waiting for that connection.
    void dropConnection(std::uint64_t connection);
    // Blocks until every message pushed so far has been sent and its pause has passed.
    void waitUntilIdle();
    // Messages dropped for the bound so far.
    std::size_t overflowed() const;

    static Sleep defaultSleep();

private:
    void run();

    Sleep m_sleep;
    Log m_log;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Message> m_pending;
    std::size_t m_overflowed = 0;
    bool m_overflowing = false;  // since the queue was last empty
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
