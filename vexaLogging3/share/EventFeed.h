#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/WebServer.h"

namespace share {

// The server-sent events of the shared page, fanned out to every open stream without a copy
// per stream: the events sit once in a numbered log that each stream reads at its own place.
// A stream with nothing to read parks itself with a wake-up that the next publish runs, so no
// stream is polled and a slow reader holds nothing but its place. The running timecode is
// not logged: a stream gets the latest one, once, whenever it changed since it last looked.
class EventFeed final : public platform::web::EventStreams {
public:
    // Keeps the last `keep` events; a stream further behind is told to read the whole log
    // again instead.
    explicit EventFeed(std::size_t keep = 4096) : m_keep(keep) {}

    // A cursor for a new stream: it starts with the events published after now, and with
    // the current timecode.
    Cursor open() override;
    void publish(std::vector<std::string> events);
    void publishTimecode(std::string event);
    // A comment line that keeps idle streams alive and lets the server notice one whose
    // reader has gone.
    void publishKeepAlive();

    // As EventStreams says; the wake-up a parked stream keeps is run by the next publish.
    std::size_t readOrPark(std::uintptr_t id, Cursor& cursor, char* out, std::size_t max,
                           const std::function<bool()>& park, Wake wake) override;
    void close(std::uintptr_t id) override;
    void wake(std::uintptr_t id) override;
    void wakeAll() override;

    std::size_t parkedCount() const;

private:
    std::vector<Wake> takeWakes();
    static void wakeOutsideTheLock(std::vector<Wake>& wakes);

    mutable std::mutex m_mutex;
    std::size_t m_keep;
    std::deque<std::string> m_events;
    std::uint64_t m_first = 0;  // the number of m_events.front()
    std::string m_timecode;
    std::uint64_t m_timecodeNumber = 0;
    std::uint64_t m_keepAliveNumber = 0;
    std::unordered_map<std::uintptr_t, Wake> m_parked;
};

}  // namespace share
