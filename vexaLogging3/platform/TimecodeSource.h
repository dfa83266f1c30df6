#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// One frame of timecode as a source read it.
struct SourceFrame {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    // The nominal rate, 24, 25 or 30; 30 with dropFrame is 29.97 drop-frame counting.
    int framesPerSecond = 25;
    bool dropFrame = false;
    // Labels counting down: a machine playing backwards.
    bool reverse = false;
    // When the frame began at the input, on the source's own clock (see now()), in
    // microseconds: what a key press is measured against, so the delays of the input and of
    // the decoding do not move a take.
    std::int64_t beganAt = 0;
};

// A timecode other than the interface's: LTC on an audio input, MIDI Time Code from any MIDI
// port, or the computer's clock. A front end makes one from the user's choice; the program
// turns its frames into running timecode and takes.
class TimecodeSource {
public:
    struct Callbacks {
        // Every frame read, in order, on a thread of the source's own. Never an audio thread:
        // the receiver may take locks and allocate.
        std::function<void(const SourceFrame&)> frame;
        // Something the user can act on (the port went away, the level is wrong), in one line;
        // an empty line once it is over. Same thread as the frames.
        std::function<void(std::string_view)> problem;
    };

    virtual ~TimecodeSource() = default;
    // What the status line calls it: "LTC system:capture_1", "MTC recorder:out", "Clock".
    virtual std::string name() const = 0;
    // Starts reading; false, with a reason for the status line, when it cannot.
    virtual bool start(Callbacks callbacks, std::string& why) = 0;
    // Stops reading: no callback runs once this has returned.
    virtual void stop() = 0;
    // The source's clock, in microseconds, on which frames are stamped.
    virtual std::int64_t now() const = 0;
};

// Turns a stream of MIDI bytes into frames: the program's own reading of MIDI Time Code, which
// an MTC source hands every byte it reads, in order, on its reading thread.
class MtcDecoder {
public:
    virtual ~MtcDecoder() = default;
    // One byte, arrived at `at` on the source's clock; a frame when it completed one.
    virtual std::optional<SourceFrame> byte(std::uint8_t b, std::int64_t at) = 0;
};

}  // namespace platform
