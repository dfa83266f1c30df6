#pragma once

#include <chrono>
#include <functional>

namespace platform {

// Timers of the main thread's event loop. The work runs on the main thread.
class Timers {
public:
    virtual ~Timers() = default;
    // Runs `tick` every `interval`, for the life of the program.
    virtual void startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) = 0;
    // Runs `work` once, `delay` from now.
    virtual void singleShot(std::chrono::milliseconds delay, std::function<void()> work) = 0;
};

}  // namespace platform
