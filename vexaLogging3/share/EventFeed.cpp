#include "share/EventFeed.h"

#include <algorithm>
#include <cstring>

namespace share {

EventFeed::Cursor EventFeed::open() {
    std::lock_guard lock(m_mutex);
    Cursor cursor;
    cursor.next = m_first + m_events.size();
    cursor.keepAliveSeen = m_keepAliveNumber;
    // Something at once, so that the browser has the stream open before the first event, and
    // comes back within a second when the stream breaks.
    cursor.pending = "retry: 1000\n\n";
    return cursor;
}

std::vector<EventFeed::Wake> EventFeed::takeWakes() {
    std::vector<Wake> wakes;
    wakes.reserve(m_parked.size());
    for (auto& [id, wake] : m_parked)
        wakes.push_back(std::move(wake));
    m_parked.clear();
    return wakes;
}

void EventFeed::publish(std::vector<std::string> events) {
    if (events.empty())
        return;
    std::vector<Wake> wakes;
    {
        std::lock_guard lock(m_mutex);
        for (std::string& event : events)
            m_events.push_back(std::move(event));
        while (m_events.size() > m_keep) {
            m_events.pop_front();
            ++m_first;
        }
        wakes = takeWakes();
    }
    wakeOutsideTheLock(wakes);
}

void EventFeed::wakeOutsideTheLock(std::vector<Wake>& wakes) {
    // Outside the lock: a wake-up calls into the server, which calls back into the feed under
    // locks of its own. A parked stream stays parked until its wake-up runs, so its connection
    // cannot go away in between.
    for (Wake& wake : wakes)
        wake();
}

void EventFeed::publishTimecode(std::string event) {
    std::vector<Wake> wakes;
    {
        std::lock_guard lock(m_mutex);
        if (event == m_timecode)
            return;
        m_timecode = std::move(event);
        ++m_timecodeNumber;
        wakes = takeWakes();
    }
    wakeOutsideTheLock(wakes);
}

void EventFeed::publishKeepAlive() {
    std::vector<Wake> wakes;
    {
        std::lock_guard lock(m_mutex);
        ++m_keepAliveNumber;
        wakes = takeWakes();
    }
    wakeOutsideTheLock(wakes);
}

std::size_t EventFeed::readOrPark(std::uintptr_t id, Cursor& cursor, char* out, std::size_t max,
                                  const std::function<bool()>& park, Wake wake) {
    std::lock_guard lock(m_mutex);
    if (cursor.pendingAt >= cursor.pending.size()) {
        cursor.pending.clear();
        cursor.pendingAt = 0;
        if (cursor.next < m_first) {
            // Fallen behind what the feed keeps: the page reads the whole log again.
            cursor.pending = "event: reset\ndata: {}\n\n";
            cursor.next = m_first;
        }
        const std::uint64_t end = m_first + m_events.size();
        for (; cursor.next < end && cursor.pending.size() < 64 * 1024; ++cursor.next)
            cursor.pending += m_events[static_cast<std::size_t>(cursor.next - m_first)];
        if (cursor.next == end && cursor.timecodeSeen != m_timecodeNumber) {
            cursor.pending += m_timecode;
            cursor.timecodeSeen = m_timecodeNumber;
        }
        if (cursor.pending.empty() && cursor.keepAliveSeen != m_keepAliveNumber)
            cursor.pending = ":\n\n";
        cursor.keepAliveSeen = m_keepAliveNumber;
    }
    if (cursor.pendingAt >= cursor.pending.size()) {
        if (park())
            m_parked[id] = std::move(wake);
        return 0;
    }
    const std::size_t n = std::min(max, cursor.pending.size() - cursor.pendingAt);
    std::memcpy(out, cursor.pending.data() + cursor.pendingAt, n);
    cursor.pendingAt += n;
    return n;
}

void EventFeed::close(std::uintptr_t id) {
    std::lock_guard lock(m_mutex);
    m_parked.erase(id);
}

void EventFeed::wake(std::uintptr_t id) {
    Wake wake;
    {
        std::lock_guard lock(m_mutex);
        const auto at = m_parked.find(id);
        if (at == m_parked.end())
            return;
        wake = std::move(at->second);
        m_parked.erase(at);
    }
    wake();
}

void EventFeed::wakeAll() {
    std::vector<Wake> wakes;
    {
        std::lock_guard lock(m_mutex);
        wakes = takeWakes();
    }
    wakeOutsideTheLock(wakes);
}

std::size_t EventFeed::parkedCount() const {
    std::lock_guard lock(m_mutex);
    return m_parked.size();
}

}  // namespace share
