#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

#include "vexasim/SimulatedInterface.h"

namespace vexasim {

// Runs a SimulatedInterface on the wall clock: a thread of its own moves it on by one quarter
// frame every quarter of a frame at its true rate (framesPerSecond), so the timecode it sends
// keeps pace with a real machine. Everything that reaches the interface from other threads
// goes through this driver, under the one lock its thread holds while it moves time on; the
// interface's output callback therefore runs on the driver's thread or on the thread that
// called receive() or withInterface(), always under that lock.
//
// Time is counted from the moment the timecode last started running (or changed rate), not
// tick by tick, so late wake-ups do not add up to drift. A thread held up for more than a
// second starts counting afresh instead of sending the missed quarter frames in one burst.
class ClockDriver {
public:
    using Clock = std::chrono::steady_clock;
    // Where the driver reads the time; tests pass one they move by hand.
    using Now = std::function<Clock::time_point()>;

    explicit ClockDriver(SimulatedInterface& sim, Now now = &Clock::now);
    ~ClockDriver();
    ClockDriver(const ClockDriver&) = delete;
    ClockDriver& operator=(const ClockDriver&) = delete;

    // Starting a running driver or stopping a stopped one does nothing.
    void start();
    void stop();
    bool running() const;

    // Commands for the interface, as a packet list.
    void receive(std::span<const std::uint8_t> packetList);

    // Runs `work` with the interface, under the driver's lock: the way to set it up, play it
    // or read its state while the driver runs.
    template <class Work>
    decltype(auto) withInterface(Work&& work) {
        std::lock_guard lock(m_simMutex);
        return work(m_sim);
    }

    // Moves the interface on to where the clock says it should be and returns when the next
    // quarter frame falls due: one step of the driver's thread, which a test may also take
    // itself with the thread stopped.
    Clock::time_point catchUp();

private:
    void run();

    SimulatedInterface& m_sim;
    Now m_now;

    // Recursive: the interface's output may answer at once (from the output callback, on the
    // same thread), and the interface itself holds such answers until its step is over.
    std::recursive_mutex m_simMutex;
    bool m_counting = false;
    FrameRate m_countedRate = FrameRate::fps25;
    Clock::time_point m_countFrom;
    std::int64_t m_quartersSent = 0;

    mutable std::mutex m_threadMutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace vexasim
