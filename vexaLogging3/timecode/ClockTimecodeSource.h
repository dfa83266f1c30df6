#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "loglist/Timecode.h"
#include "platform/TimecodeSource.h"

namespace timecode {

// The computer's time of day as timecode: a thread that wakes at each frame's start on the
// wall clock and hands over its label. Its clock (now()) is the steady clock.
class ClockTimecodeSource final : public platform::TimecodeSource {
public:
    explicit ClockTimecodeSource(timecode::FrameRate rate);
    ~ClockTimecodeSource() override;

    std::string name() const override;
    bool start(Callbacks callbacks, std::string& why) override;
    void stop() override;
    std::int64_t now() const override;

private:
    void run(Callbacks callbacks);

    const timecode::FrameRate m_rate;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace timecode
