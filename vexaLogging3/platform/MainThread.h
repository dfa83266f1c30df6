#pragma once

#include <functional>

namespace platform {

// Hands work to the thread that owns the windows. Work posted from one thread runs
// in the order it was posted; posting never blocks and never runs the work inline.
class MainThread {
public:
    virtual ~MainThread() = default;
    virtual void post(std::function<void()> work) = 0;
    // Runs now, in order, the work posted so far: for the moment the program ends, when what
    // the other threads handed over must still take effect.
    virtual void runPosted() = 0;
};

}  // namespace platform
