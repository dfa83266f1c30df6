#include "SimOptions.h"

#include <cstdio>

namespace vexasim {

namespace {

std::optional<FrameRate> parseRate(const std::string& text) {
    if (text == "24")
        return FrameRate::fps24;
    if (text == "25")
        return FrameRate::fps25;
    if (text == "29.97" || text == "29.97df" || text == "30df")
        return FrameRate::fps2997DropFrame;
    if (text == "30")
        return FrameRate::fps30;
    return std::nullopt;
}

std::optional<int> parseCount(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

// HH:MM:SS:FF, ';' allowed before the frames.
std::optional<Timecode> parseTimecode(const std::string& text) {
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' || (text[8] != ':' && text[8] != ';'))
        return std::nullopt;
    int fields[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = parseCount(text.substr(3 * static_cast<std::size_t>(i), 2));
        if (!value)
            return std::nullopt;
        fields[i] = *value;
    }
    return Timecode{fields[0], fields[1], fields[2], fields[3]};
}

}  // namespace

std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args,
                                          std::string* error) {
    SimOptions o;
    auto fail = [error](const std::string& why) -> std::optional<SimOptions> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.showVersion = true;
        } else if (a == "--print") {
            o.print = true;
        } else if (a == "--play") {
            o.play = true;
        } else if (a == "--no-play") {
            o.play = false;
        } else if (a == "--logging") {
            o.loggingOn = true;
        } else if (a == "--fps") {
            const std::string* v = value();
            const auto rate = v ? parseRate(*v) : std::nullopt;
            if (!rate)
                return fail("--fps takes 24, 25, 29.97 or 30");
            o.rate = *rate;
        } else if (a == "--start") {
            const std::string* v = value();
            const auto start = v ? parseTimecode(*v) : std::nullopt;
            if (!start || !isValidTimecode(*start, o.rate))
                return fail("--start takes a timecode HH:MM:SS:FF of the rate (give --fps first)");
            o.startAt = *start;
        } else if (a == "--log-every" || a == "--log-length") {
            const std::string* v = value();
            const auto frames = v ? parseCount(*v) : std::nullopt;
            if (!frames || *frames < 1)
                return fail(a + " takes a number of frames");
            (a == "--log-every" ? o.autoLogEveryFrames : o.autoLogLengthFrames) = *frames;
        } else if (a == "--record-after-playback") {
            const std::string* v = value();
            const auto seconds = v ? parseCount(*v) : std::nullopt;
            if (!seconds || *seconds < 1)
                return fail(a + " takes a number of seconds");
            o.recordAfterPlaybackSeconds = *seconds;
        } else if (a == "--name") {
            const std::string* v = value();
            if (!v || v->empty() || v->find(':') != std::string::npos)
                return fail("--name takes a JACK client name without ':'");
            o.clientName = *v;
        } else if (a == "--ltc") {
            o.ltc = true;
        } else if (a == "--ltc-takes") {
            const std::string* v = value();
            const std::size_t comma = v ? v->find(',') : std::string::npos;
            const auto run =
                comma != std::string::npos ? parseCount(v->substr(0, comma)) : std::nullopt;
            const auto pause = run ? parseCount(v->substr(comma + 1)) : std::nullopt;
            if (!pause || *run < 1 || *pause < 1)
                return fail("--ltc-takes takes RUN,PAUSE in seconds, such as 10,3");
            o.ltc = true;
            o.ltcRunSeconds = *run;
            o.ltcPauseSeconds = *pause;
        } else if (a == "--firmware") {
            const std::string* v = value();
            if (!v || v->size() != 2)
                return fail("--firmware takes two characters, such as 21");
            o.version = *v;
        } else {
            return fail("unknown option " + a);
        }
    }
    return o;
}

std::string simUsage() {
    return R"(glimmark-vexa-sim: a virtual vexa timecode interface on JACK MIDI.

Registers one JACK client named "vexa " with a MIDI input port "in" and a MIDI output port
"out", and behaves as the interface does: answers the status sense and the logging-state
request, logs by itself or by hand as commanded, sends MIDI Time Code while the timecode
runs, obeys MMC locate, play and stop, and reports stop and comparison times. A JACK server
must be running (for example: jackd --no-realtime -d dummy -r 48000 -p 256). ALSA sequencer
ports are not offered. Under another --name, and without --logging, it is a plain source of
MIDI Time Code on "NAME:out" that Glimmark does not take for the interface. Runs until
interrupted.

Options:
  --fps 24|25|29.97|30   timecode rate (default 25; 29.97 counts drop-frame)
  --start HH:MM:SS:FF    where the timecode stands at start (default 10:00:00:00)
  --play / --no-play     run the timecode from the start, or wait for MMC play (default --play)
  --logging              log by itself from the start (normally the program switches it on)
  --log-every FRAMES     automatic logging: a log every FRAMES frames of running timecode
  --log-length FRAMES    automatic logging: each log lasts FRAMES frames
  --record-after-playback SECONDS
                         a recorder: no automatic logs during an MMC playback, and SECONDS
                         after the machine halts it records on from where its recording
                         stopped (default: the machine stays halted)
  --ltc                  also plays LTC of the same rate and start on the JACK audio port
                         "vexa ltc:out" (libltc's encoder, -18 dBFS)
  --ltc-takes RUN,PAUSE  the LTC runs RUN seconds and stands silent PAUSE seconds, over and
                         over, going on from where it stopped (implies --ltc)
  --firmware XY          the two version digits of the status reply (default 21)
  --name NAME            JACK client name (default "vexa ")
  --print                print every message received, in hex, one per line, on stdout
  --help                 this text
  --version              the program's version
)";
}

std::string hexLine(const std::vector<unsigned char>& bytes) {
    std::string line;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i ? " %02X" : "%02X", bytes[i]);
        line += digits;
    }
    return line;
}

void configure(SimulatedInterface& s, const SimOptions& options) {
    if (options.autoLogEveryFrames > 0 || options.autoLogLengthFrames > 0)
        s.setAutoLogTiming(options.autoLogEveryFrames > 0 ? options.autoLogEveryFrames
                                                          : s.autoLogEveryFrames(),
                           options.autoLogLengthFrames > 0 ? options.autoLogLengthFrames
                                                           : s.autoLogLengthFrames());
    s.setRecordAfterPlaybackSeconds(options.recordAfterPlaybackSeconds);
    if (options.loggingOn)
        s.switchLoggingOn();
}

}  // namespace vexasim
