#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include <jack/jack.h>
#include <ltc.h>

#include "vexasim/Timecode.h"

namespace vexasim {

// LTC on a JACK audio port, made with libltc's encoder: a source for Glimmark's LTC input on a
// machine with no sync box. A JACK client of its own with one audio output "out". The timecode
// runs from its start at its rate; with runSeconds set it runs that long, then stands silent
// for pauseSeconds and runs on from where it stopped, as a recorder's record-run timecode does.
// The encoding happens in JACK's process callback, a frame at a time; it never allocates there.
class LtcPlayer {
public:
    struct Options {
        std::string clientName = "vexa ltc";
        std::string serverName;  // empty: the default server
        FrameRate rate = FrameRate::fps25;
        Timecode startAt{10, 0, 0, 0};
        int runSeconds = 0;  // 0: runs on for good
        int pauseSeconds = 0;
        double levelDbfs = -18;
    };
    // Null, with the reason in `why`, when no JACK server answers or it refuses the port.
    static std::unique_ptr<LtcPlayer> open(Options options, std::string* why);
    ~LtcPlayer();
    LtcPlayer(const LtcPlayer&) = delete;
    LtcPlayer& operator=(const LtcPlayer&) = delete;
    std::string portName() const;
    // The newest frame put out: how many came before it, and when its first sample went out on
    // JACK's clock (microseconds). Nothing before the first.
    struct Played {
        std::int64_t frames = -1;
        std::int64_t at = 0;
    };
    Played newest() const;

private:
    explicit LtcPlayer(Options options) : m_options(std::move(options)) {}
    static int process(jack_nframes_t frames, void* self);

    const Options m_options;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    LTCEncoder* m_encoder = nullptr;
    ltcsnd_sample_t* m_frame = nullptr;  // the encoder's samples of the frame being played
    int m_frameLength = 0;
    int m_played = 0;
    std::int64_t m_samplesInPhase = 0;  // samples run or paused so far in this phase
    bool m_paused = false;
    double m_sampleRate = 48000;
    // Written by the process callback under a sequence count, read by anyone.
    std::atomic<std::uint32_t> m_sequence{0};
    std::atomic<std::int64_t> m_newestFrames{-1};
    std::atomic<std::int64_t> m_newestAt{0};
};

}  // namespace vexasim
