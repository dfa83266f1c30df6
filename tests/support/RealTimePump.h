#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "support/FakePlatform.h"

namespace fake {

// Plays the main thread's event loop for a controller whose MIDI runs on real threads: runs
// what was posted, moves the fake timers on by the time that really passed, and looks again
// after a short nap. Returns whether `done` came true before `timeout`.
inline bool pumpUntil(App& app, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point last = start;
    for (;;) {
        app.mainThread.drain();
        if (done())
            return true;
        const Clock::time_point now = Clock::now();
        if (now - start > timeout)
            return false;
        app.timers.advance(std::chrono::duration_cast<std::chrono::milliseconds>(now - last));
        last += std::chrono::duration_cast<std::chrono::milliseconds>(now - last);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace fake
