#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "platform/MidiPacketList.h"

namespace jacktest {

using Bytes = std::vector<std::uint8_t>;

// What a MIDI read procedure was handed, message by message. A read procedure is a plain
// function with no context, so tests share this one.
class MidiInbox {
public:
    static MidiInbox& instance() {
        static MidiInbox inbox;
        return inbox;
    }

    static void readProc(std::span<const std::uint8_t> list, void*, void*) {
        MidiInbox& inbox = instance();
        {
            std::lock_guard lock(inbox.m_mutex);
            ++inbox.m_lists;
            platform::forEachMidiPacket(list, [&](std::span<const std::uint8_t> m) {
                inbox.m_messages.emplace_back(m.begin(), m.end());
            });
        }
        inbox.m_arrived.notify_all();
    }

    void clear() {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
        m_lists = 0;
    }
    std::vector<Bytes> messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::size_t lists() const {
        std::lock_guard lock(m_mutex);
        return m_lists;
    }
    // Waits until a message matching `wanted` has arrived.
    bool waitFor(const std::function<bool(const Bytes&)>& wanted,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            for (const Bytes& m : m_messages) {
                if (wanted(m))
                    return true;
            }
            return false;
        });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_messages;
    std::size_t m_lists = 0;
};

}  // namespace jacktest
