#include "vexasim/ClockDriver.h"

#include <algorithm>
#include <cmath>

namespace vexasim {

namespace {

// Longer than this behind, the driver starts counting afresh instead of catching up.
constexpr std::chrono::seconds kLongestCatchUp{1};
// How long the thread sleeps at most, so a timecode that starts running is noticed soon.
constexpr std::chrono::milliseconds kIdlePoll{5};

}  // namespace

ClockDriver::ClockDriver(SimulatedInterface& sim, Now now) : m_sim(sim), m_now(std::move(now)) {}

ClockDriver::~ClockDriver() {
    stop();
}

void ClockDriver::start() {
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable())
        return;
    m_stopping = false;
    {
        std::lock_guard simLock(m_simMutex);
        m_counting = false;
    }
    m_thread = std::thread([this] { run(); });
}

void ClockDriver::stop() {
    std::thread thread;
    {
        std::lock_guard lock(m_threadMutex);
        m_stopping = true;
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable())
        thread.join();
}

bool ClockDriver::running() const {
    std::lock_guard lock(m_threadMutex);
    return m_thread.joinable();
}

void ClockDriver::receive(std::span<const std::uint8_t> packetList) {
    std::lock_guard lock(m_simMutex);
    m_sim.receive(packetList);
}

void ClockDriver::run() {
    std::unique_lock lock(m_threadMutex);
    while (!m_stopping) {
        lock.unlock();
        const Clock::time_point due = catchUp();
        lock.lock();
        // The real clock paces the sleep even when the time is read elsewhere: a driver on a
        // hand-moved clock looks again after a short nap.
        const auto nap = std::clamp(due - m_now(), Clock::duration::zero(),
                                    std::chrono::duration_cast<Clock::duration>(kIdlePoll));
        m_wake.wait_for(lock, nap, [this] { return m_stopping; });
    }
}

ClockDriver::Clock::time_point ClockDriver::catchUp() {
    std::lock_guard lock(m_simMutex);
    const Clock::time_point now = m_now();
    // A recorder waiting to record again needs its wait counted like running time.
    if (!m_sim.playing() && !m_sim.waitingToRecord()) {
        m_counting = false;
        return now + kIdlePoll;
    }
    const FrameRate rate = m_sim.frameRate();
    if (!m_counting || rate != m_countedRate) {
        m_counting = true;
        m_countedRate = rate;
        m_countFrom = now;
        m_quartersSent = 0;
    }
    const double quartersPerSecond = 4.0 * framesPerSecond(rate);
    const std::chrono::duration<double> elapsed = now - m_countFrom;
    const auto quartersDue =
        static_cast<std::int64_t>(std::floor(elapsed.count() * quartersPerSecond));
    if (quartersDue - m_quartersSent >
        static_cast<std::int64_t>(quartersPerSecond * kLongestCatchUp.count())) {
        m_countFrom = now;
        m_quartersSent = 0;
    } else if (quartersDue > m_quartersSent) {
        m_sim.advanceQuarterFrames(static_cast<int>(quartersDue - m_quartersSent));
        m_quartersSent = quartersDue;
    }
    const std::chrono::duration<double> nextAt((m_quartersSent + 1) / quartersPerSecond);
    return m_countFrom + std::chrono::duration_cast<Clock::duration>(nextAt);
}

}  // namespace vexasim
