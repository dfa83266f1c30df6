#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vexasim/SimulatedInterface.h"
#include "vexasim/Timecode.h"

namespace vexasim {

// What the command line of glimmark-vexa-sim asks for.
struct SimOptions {
    std::string clientName = "vexa ";
    FrameRate rate = FrameRate::fps25;
    Timecode startAt{10, 0, 0, 0};
    // Timecode runs from the start, so a program connecting to it sees it move at once.
    bool play = true;
    bool loggingOn = false;
    int autoLogEveryFrames = 0;  // 0: the interface's own timing for the rate
    int autoLogLengthFrames = 0;
    int recordAfterPlaybackSeconds = 0;  // 0: a playback leaves the machine halted
    std::string version = "21";
    // --ltc: LTC of the same rate and start on a JACK audio port too; --ltc-takes RUN,PAUSE:
    // it runs RUN seconds and stands silent PAUSE seconds, over and over.
    bool ltc = false;
    int ltcRunSeconds = 0;
    int ltcPauseSeconds = 0;
    bool print = false;
    bool help = false;
    bool showVersion = false;
};

// Reads the arguments after the program name; nullopt with the reason in `error` when one is
// wrong.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string* error);

std::string simUsage();

// Sets the interface up as the command line asks, once it runs at the asked rate: its automatic
// log timing, how long a recorder waits after a playback, and logging on.
void configure(SimulatedInterface& interface, const SimOptions& options);

// "F0 2C 4D 10 F7": how --print writes a message.
std::string hexLine(const std::vector<unsigned char>& bytes);

}  // namespace vexasim
