#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "loglist/Timecode.h"
#include "platform/TimecodeSource.h"

// Reads the frames of a timecode source as a recorder's record-run timecode: the timecode
// starting to run is a take's start, at its first frame; standing, jumping, changing rate or
// going away is the take's stop, at the last frame that ran. It also answers which frame was
// current at a moment, for a take by key. Main thread only; no clock of its own: every moment
// is on the source's clock. A single frame out of line (a misread of a garbled signal) breaks
// nothing: a jump or a change of rate counts once the frame after it agrees.
namespace timecode {

class TimecodeRun {
public:
    // What one frame or one look at the clock means.
    struct Outcome {
        // This frame may become a take's first: its moment and its picture are worth keeping.
        bool beginsRun = false;
        // The take under way ends here, at its last frame (before any start).
        std::optional<platform::SourceFrame> stop;
        // A take starts, at the run's first frame.
        std::optional<platform::SourceFrame> start;
        // One line for the status line: a jump, a change of rate, a signal lost.
        std::string problem;
    };

    // Frames in a row before a run counts as running, so that a stray frame or two of a
    // garbled signal makes no take.
    static constexpr int kFramesToRun = 3;
    // Frames without a new one before the signal counts as lost (and a run as stopped): more
    // than a JACK server's stall on a loaded machine, which holds the frames back a moment.
    static constexpr int kFramesToLose = 10;

    // Whether runs make takes (record run); otherwise frames are only followed.
    void setMakesTakes(bool makesTakes);
    bool makesTakes() const { return m_makesTakes; }
    Outcome frame(const platform::SourceFrame& frame);
    // The source's clock moved on with no frame.
    Outcome look(std::int64_t now);
    // The frame current at `at`, counted on from the newest one; none when the signal is lost.
    std::optional<platform::SourceFrame> frameAt(std::int64_t at) const;
    bool signalPresent() const { return m_last.has_value(); }
    // The newest frame's rate, while there is a signal.
    std::optional<FrameRate> rate() const;
    // A record-run take is under way.
    bool takeOpen() const { return m_takeOpen; }

private:
    // The frame's place in a day of labels at its own rate.
    static std::int64_t number(const platform::SourceFrame& frame);
    static std::int64_t frameMicros(const platform::SourceFrame& frame);
    Outcome endTake(std::string why);
    // A frame taken as it stands; frame() first holds back one that would break the run.
    Outcome accept(const platform::SourceFrame& frame);
    // Frames `next` is on from `last` in the direction of play (the shorter way round
    // midnight), if they are of one rate. Time is not looked at: a signal that went away is
    // found by look(), and a stalled input delivers its frames late but in order.
    static std::optional<std::int64_t> stepFrom(const platform::SourceFrame& last,
                                                const platform::SourceFrame& next);

    bool m_makesTakes = false;
    bool m_takeOpen = false;
    std::optional<platform::SourceFrame> m_last;
    // A frame that jumped or changed rate, held back until the next one shows whether it was
    // a misread (the next runs on from before it) or a new run (the next runs on from it).
    std::optional<platform::SourceFrame> m_suspect;
    // The newest frame that ran on from the one before it: where a take stops.
    platform::SourceFrame m_lastRunning;
    platform::SourceFrame m_runFirst;
    int m_runLength = 0;
};

}  // namespace timecode
