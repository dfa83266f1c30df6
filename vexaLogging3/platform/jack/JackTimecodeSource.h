#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <ltc.h>

#include "platform/TimecodeSource.h"

namespace platform::jack {

// The rate of an LTC signal, which the signal does not carry: read from the length of its
// frames, raised by any frame number too high for it, 29.97 drop-frame by the frame's flag.
// A misread frame does not change it: a flag or a frame number must hold for three frames in
// a row, a length (varispeed moves it) for eight.
class LtcRate {
public:
    struct Rate {
        int framesPerSecond = 25;
        bool dropFrame = false;
        friend bool operator==(const Rate&, const Rate&) = default;
    };
    // The rate with this frame counted; `sampleRate` that of the audio.
    Rate update(const LTCFrameExt& frame, double sampleRate);

private:
    bool m_known = false;
    Rate m_rate;
    int m_disagreeing = 0;
};

// The audio thread's side of LTC: decodes samples with libltc and passes each frame, stamped
// with when it began, through a lock-free ring; it never allocates, locks or waits once made.
// The reading side takes the frames out on any one other thread.
class LtcDecoding {
public:
    struct Record {
        LTCFrameExt frame;
        std::int64_t beganAt;
    };
    explicit LtcDecoding(double sampleRate);
    ~LtcDecoding();
    LtcDecoding(const LtcDecoding&) = delete;
    LtcDecoding& operator=(const LtcDecoding&) = delete;
    bool ready() const { return m_decoder != nullptr && m_ring != nullptr; }
    // One cycle's samples, the first of them at `cycleStart` (microseconds); true when a frame
    // was passed on.
    bool write(float* samples, std::uint32_t count, std::int64_t cycleStart,
               double microsPerSample);
    bool read(Record& record);
    // The frame as the program reads timecode, `latency` microseconds earlier than stamped.
    platform::SourceFrame frameOf(const Record& record, std::int64_t latency);
    int overflows() const { return m_overflows.load(); }

private:
    const double m_sampleRate;
    LTCDecoder* m_decoder = nullptr;
    jack_ringbuffer_t* m_ring = nullptr;
    // Samples read since the start: libltc's positions.
    std::int64_t m_samples = 0;
    std::atomic<int> m_overflows{0};
    LtcRate m_rate;  // reading side
};

// A timecode source on a JACK port of another client: LTC on an audio port, decoded with
// libltc, or MIDI Time Code on a MIDI port. It opens a JACK client of its own with one input
// port and connects the chosen port to it, again whenever that port comes back.
//
// JACK's process callback decodes (LTC) or copies (MIDI) and stamps each frame or event with
// its time on JACK's clock; it never allocates, locks or waits, and passes what it has through
// a lock-free ring. A thread of this object turns that into frames, takes off the input's
// latency, and reports the port gone, a wrong level or a server that stopped.
class JackTimecodeSource final : public platform::TimecodeSource {
public:
    // `keys`: a MIDI port read only for its notes and controllers (a foot switch).
    enum class Kind { ltc, mtc, keys };
    // A note or controller message that came on a MIDI port, and when (on JACK's clock).
    using KeyPress = std::function<void(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                        std::int64_t at)>;
    struct Options {
        Kind kind = Kind::ltc;
        // A port's full name ("system:capture_1"); empty: the first output port of the kind.
        std::string port;
        std::string clientName = "Glimmark timecode";
        // Empty: the default server ($JACK_DEFAULT_SERVER, else "default").
        std::string serverName;
        // Notes and controllers of a MIDI port, on the reading thread.
        KeyPress onKey;
        // For `mtc`: makes the reader of the port's bytes, a fresh one at each start.
        std::function<std::unique_ptr<platform::MtcDecoder>()> mtcDecoder;
    };

    explicit JackTimecodeSource(Options options);
    ~JackTimecodeSource() override;
    JackTimecodeSource(const JackTimecodeSource&) = delete;
    JackTimecodeSource& operator=(const JackTimecodeSource&) = delete;

    std::string name() const override;
    bool start(Callbacks callbacks, std::string& why) override;
    void stop() override;
    // JACK's clock, on which the frames are stamped, held back to where the audio has come: a
    // server that stalls (a loaded machine, --no-realtime) does not make the signal look lost.
    std::int64_t now() const override;

    // The output ports of that kind other clients offer now: what the user picks from.
    static std::vector<std::string> listPorts(Kind kind, const std::string& serverName = {});
    // This source's own input port, while it runs ("Glimmark timecode:LTC in").
    std::string inputPortName() const;
    // Frames or events lost because the reading thread fell behind the audio thread.
    int overflows() const { return m_overflows.load() + (m_ltc ? m_ltc->overflows() : 0); }

private:
    struct MidiHeader {
        std::int64_t at;
        std::uint32_t size;
    };

    static int process(jack_nframes_t frames, void* self);
    static void shutdown(void* self);
    void processLtc(jack_nframes_t frames, std::int64_t cycleStart, double microsPerSample);
    void processMtc(jack_nframes_t frames, std::int64_t cycleStart, double microsPerSample);
    void readLoop();
    void readRing(std::int64_t latency);
    void keepConnected();
    void report(const std::string& line);
    void close();

    const Options m_options;
    Callbacks m_callbacks;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    // LTC: the decoding; MIDI Time Code: a ring of events, each its time, length and bytes.
    std::unique_ptr<LtcDecoding> m_ltc;
    jack_ringbuffer_t* m_ring = nullptr;
    double m_sampleRate = 48000;
    std::atomic<bool> m_dead{false};
    // The latest moment the audio read so far answers for: the next cycle's start and one more.
    std::atomic<std::int64_t> m_heardUntil{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_overflows{0};
    std::counting_semaphore<> m_signal{0};
    std::thread m_reader;
    // Reading thread only.
    std::unique_ptr<platform::MtcDecoder> m_mtc;
    std::string m_connectionProblem;
    std::string m_levelProblem;
    int m_levelFrames = 0;
    std::string m_reported;
};

}  // namespace platform::jack
