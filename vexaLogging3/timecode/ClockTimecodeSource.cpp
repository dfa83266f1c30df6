#include "timecode/ClockTimecodeSource.h"

#include <chrono>
#include <ctime>

#include "timecode/SourceChoice.h"

namespace timecode {

namespace {

std::int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Microseconds since local midnight, and the steady clock read at the same moment.
std::int64_t microsSinceMidnight(std::int64_t& steady) {
    const auto wall = std::chrono::system_clock::now();
    steady = steadyMicros();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(wall.time_since_epoch()).count() %
        1'000'000;
    return ((local.tm_hour * 60LL + local.tm_min) * 60 + local.tm_sec) * 1'000'000 +
           (micros < 0 ? micros + 1'000'000 : micros);
}

}  // namespace

ClockTimecodeSource::ClockTimecodeSource(timecode::FrameRate rate) : m_rate(rate) {}

ClockTimecodeSource::~ClockTimecodeSource() {
    stop();
}

std::string ClockTimecodeSource::name() const {
    return "Clock";
}

std::int64_t ClockTimecodeSource::now() const {
    return steadyMicros();
}

bool ClockTimecodeSource::start(Callbacks callbacks, std::string&) {
    stop();
    m_stopping = false;
    m_thread = std::thread([this, callbacks = std::move(callbacks)] { run(callbacks); });
    return true;
}

void ClockTimecodeSource::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ClockTimecodeSource::run(Callbacks callbacks) {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        std::int64_t steady = 0;
        const std::int64_t wall = microsSinceMidnight(steady);
        const std::int64_t next = timecode::nextClockFrame(wall, m_rate);
        // Sleeps to the next frame's start; a clock set back or forward is read afresh there.
        if (m_wake.wait_for(lock, std::chrono::microseconds(next - wall),
                            [this] { return m_stopping; }))
            break;
        const std::int64_t at = microsSinceMidnight(steady);
        platform::SourceFrame frame = timecode::clockFrame(at, m_rate);
        frame.beganAt = steady - (at - timecode::clockFrameStart(at, m_rate));
        lock.unlock();
        callbacks.frame(frame);
        lock.lock();
    }
}

}  // namespace timecode
