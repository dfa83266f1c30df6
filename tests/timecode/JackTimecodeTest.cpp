// LTC and MIDI Time Code over JACK: a plain libjack peer plays into a port, the controller logs.

#include <gtest/gtest.h>
#include <ltc.h>

#include <algorithm>
#include <cmath>

#include "midi/JackHarness.h"
#include "platform/fake/FakePlatform.h"
#include "platform/jack/JackTimecodeSource.h"
#include "timecode/MtcReader.h"
#include "timecode/TimecodeSources.h"
#include "vexasim/LtcPlayer.h"

namespace {

using namespace std::chrono_literals;
using Kind = platform::jack::JackTimecodeSource::Kind;

// Plays a prepared signal once, from the cycle it is told to, with silence before and after:
// LTC samples on an audio port, or MIDI events at their samples on a MIDI port.
class TimecodePeer {
public:
    TimecodePeer(Kind kind, const std::string& server)
        : m_kind(kind), m_client(jacktest::openClient("timecode peer", server)) {
        const char* type = kind == Kind::ltc ? JACK_DEFAULT_AUDIO_TYPE : JACK_DEFAULT_MIDI_TYPE;
        if (m_client)
            m_port = jack_port_register(m_client.get(), "out", type, JackPortIsOutput, 0);
    }
    bool ready() {
        return m_port && jack_set_process_callback(m_client.get(), &process, this) == 0 &&
               jack_activate(m_client.get()) == 0;
    }
    std::string port() const { return jack_port_name(m_port); }
    bool connected() const { return jack_port_connected(m_port) > 0; }
    std::vector<std::string> readers() const { return jacktest::connectionsOf(m_port); }
    double sampleRate() const { return jack_get_sample_rate(m_client.get()); }

    // `frames` frames of LTC from 10:00:00:00 at the rate (29.97 is drop-frame), its user bits
    // holding a date, at `dbfs` (above 0, clipped as a signal too loud for the input is).
    void prepareLtc(int frames, double fps, double dbfs = -12) {
        const LTC_TV_STANDARD standard = fps == 25   ? LTC_TV_625_50
                                         : fps == 24 ? LTC_TV_FILM_24
                                                     : LTC_TV_525_60;
        LTCEncoder* encoder = ltc_encoder_create(sampleRate(), fps, standard, LTC_USE_DATE);
        SMPTETimecode start{"+0000", 26, 12, 9, 10, 0, 0, 0};
        ltc_encoder_set_timecode(encoder, &start);
        ltc_encoder_set_volume(encoder, std::min(dbfs, 0.0));
        const auto gain = static_cast<float>(std::pow(10.0, std::max(dbfs, 0.0) / 20));
        for (int i = 0; i < frames; ++i) {
            ltc_encoder_encode_frame(encoder);
            ltcsnd_sample_t* buffer = nullptr;
            const int length = ltc_encoder_get_bufferptr(encoder, &buffer, 1);
            for (int s = 0; s < length; ++s)
                m_samples.push_back(std::clamp(gain * (buffer[s] - 128) / 127.0F, -1.0F, 1.0F));
            ltc_encoder_inc_timecode(encoder);
        }
        ltc_encoder_free(encoder);
    }
    // `frames` frames of quarter frames from 10:00:00:00 at 25 fps after a full frame; or
    // `backwards`, from the last down, each group from piece 7 to piece 0, and no full frame.
    void prepareMtc(int frames, bool backwards) {
        const double quarter = sampleRate() / 25 / 4;
        if (!backwards)
            m_events.push_back({0, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x20 | 10, 0, 0, 0, 0xF7}});
        for (int f = 0; f < frames; f += 2) {
            const int label = backwards ? frames - 2 - f : f;
            const int s = label / 25, fr = label % 25;
            const int values[8] = {fr & 15, fr >> 4, s & 15, s >> 4, 0, 0, 10, 2};  // 25 fps
            for (int i = 0; i < 8; ++i) {
                const int piece = backwards ? 7 - i : i;
                m_events.push_back({static_cast<std::int64_t>((f * 4 + i) * quarter) + 4800,
                                    {0xF1, std::uint8_t(piece << 4 | values[piece])}});
            }
        }
    }
    void play() { m_playing = true; }
    bool done() const { return m_at >= (m_kind == Kind::ltc ? m_samples.size() : m_events.size()); }
    std::size_t played() const { return m_at; }  // LTC samples

private:
    using Event = std::pair<std::int64_t, jacktest::Bytes>;  // at a sample from the start
    static int process(jack_nframes_t n, void* self) {
        auto& p = *static_cast<TimecodePeer*>(self);
        void* buffer = jack_port_get_buffer(p.m_port, n);
        if (p.m_kind == Kind::ltc) {
            auto* out = static_cast<float*>(buffer);
            for (jack_nframes_t i = 0; i < n; ++i)
                out[i] = p.m_playing && !p.done() ? p.m_samples[p.m_at++] : 0.0F;
            return 0;
        }
        jack_midi_clear_buffer(buffer);
        const std::int64_t end = p.m_clock + (p.m_playing ? n : 0);
        for (; !p.done() && p.m_events[p.m_at].first < end; ++p.m_at) {
            const auto& [at, bytes] = p.m_events[p.m_at];
            jack_midi_event_write(buffer, static_cast<jack_nframes_t>(at - p.m_clock),
                                  bytes.data(), bytes.size());
        }
        p.m_clock = end;
        return 0;
    }

    const Kind m_kind;
    jack_port_t* m_port = nullptr;
    std::vector<float> m_samples;
    std::vector<Event> m_events;
    std::atomic<std::size_t> m_at{0};  // the next sample or event to play
    std::int64_t m_clock = 0;
    std::atomic<bool> m_playing{false};
    jacktest::Client m_client;
};

struct Row {
    const char* name;
    Kind kind;
    double fps;
    bool df;
    const char* start;  // the take the controller logs
    const char* stop;
    const char* rate;  // on the timecode status while the signal was there
    bool backwards = false;
    double dbfs = -12;  // LTC's level: too quiet or too loud is said after the rate
    const char* says = "";
};

const Row kRows[] = {
    {"LTC_at_25", Kind::ltc, 25, false, "10:00:00:00", "10:00:01:24", "25 fps"},
    {"LTC_at_29_97_drop_frame", Kind::ltc, 29.97, true, "10:00:00:00", "10:00:01:29",
     "29.97 fps drop-frame"},
    {"LTC_at_24", Kind::ltc, 24, false, "10:00:00:00", "10:00:01:23", "24 fps"},
    {"LTC_too_quiet", Kind::ltc, 25, false, "10:00:00:00", "10:00:01:24", "25 fps", false, -38,
     "  LTC level too low (-"},
    {"LTC_clipping", Kind::ltc, 25, false, "10:00:00:00", "10:00:01:24", "25 fps", false, 6,
     "  LTC level too high: the signal clips"},
    {"MTC_at_25", Kind::mtc, 25, false, "10:00:00:00", "10:00:01:23", "25 fps"},
    {"MTC_at_25_backwards", Kind::mtc, 25, false, "10:00:01:23", "10:00:00:00", "25 fps", true},
};

// The shared JACK server, checked before each case.
class JackTimecode : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override { ASSERT_TRUE(server.available()) << server.why(); }
    bool read(fake::App& a, Kind kind, const std::string& port) {
        using Source = platform::jack::JackTimecodeSource;
        return a.app->timecodeSources().use(std::make_unique<Source>(Source::Options{
            .kind = kind, .port = port, .serverName = server.name(), .onKey = {},
            .mtcDecoder = [] { return std::make_unique<timecode::MtcReader>(); }}));
    }
    jacktest::JackServer& server = jacktest::JackServer::ensure();
};

// Whether a logged label is within a frame of the one played: the JACK cycle may lose one.
bool nearby(const std::string& logged, const std::string& played, timecode::FrameRate rate) {
    const auto got = timecode::frameOf(logged, rate);
    return got && std::abs(*got - *timecode::frameOf(played, rate)) <= 1;
}

// Two seconds of timecode, then silence: one take from its first frame to its last. A try in
// which JACK overran may have lost frames at either end and is made again.
TEST_P(JackTimecode, RecordRunLogsWhatThePeerPlayed) {
    const Row& row = GetParam();
    const timecode::FrameRate rate{static_cast<int>(std::lround(row.fps)), row.df};
    for (int tries = 1;; ++tries) {
        TimecodePeer peer(row.kind, server.name());
        ASSERT_TRUE(peer.ready());
        if (row.kind == Kind::ltc)
            peer.prepareLtc(rate.framesPerSecond * 2, row.fps, row.dbfs);
        else
            peer.prepareMtc(50, row.backwards);
        fake::App a;
        std::string status;
        ASSERT_TRUE(read(a, row.kind, peer.port()));
        // Played once the connection is in effect (cycles after the connect): before, it is lost.
        ASSERT_TRUE(fake::pumpUntil(a, [&] { return peer.connected(); }, 10s));
        const jacktest::Overruns overruns(server.name());
        peer.play();
        const bool heard = fake::pumpUntil(a, [&] {
            if (a.windows.timecodeStatus.value.find(row.rate) != std::string::npos)
                status = a.windows.timecodeStatus.value;
            return peer.done() &&
                   a.windows.timecodeStatus.value.find("no signal") != std::string::npos;
        }, 30s);
        a.mainThread.drain();
        a.app->timecodeSources().use(nullptr);
        const bool near = nearby(a.field(1, kFieldStart), row.start, rate) &&
                          nearby(a.field(1, kFieldStop), row.stop, rate);
        if (overruns.count() > 0 && tries < 5 &&
            !(heard && near && a.app->logStartArray.recordCount() == 1))
            continue;
        EXPECT_TRUE(heard) << a.windows.timecodeStatus.value;
        const std::string reading =
            (row.kind == Kind::ltc ? "LTC " : "MTC ") + peer.port() + "  " + row.rate;
        EXPECT_TRUE(status.starts_with(reading + row.says)) << status;
        EXPECT_EQ(status == reading, *row.says == 0) << status;
        ASSERT_EQ(a.app->logStartArray.recordCount(), 1);
        EXPECT_TRUE(near) << a.field(1, kFieldStart) << " to " << a.field(1, kFieldStop) << " ("
                          << overruns.count() << " overruns in try " << tries << ")";
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, JackTimecode, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The port the source reads goes: the status line says so until it is back.
TEST_F(JackTimecode, APortThatGoesIsReported) {
    auto peer = std::make_unique<TimecodePeer>(Kind::ltc, server.name());
    ASSERT_TRUE(peer->ready());
    const std::string port = peer->port();
    // Offered in the menu among the audio outputs, not among the MIDI ones.
    for (const Kind kind : {Kind::ltc, Kind::mtc}) {
        const auto listed = platform::jack::JackTimecodeSource::listPorts(kind, server.name());
        EXPECT_EQ(std::ranges::count(listed, port), kind == Kind::ltc);
    }
    fake::App a;
    ASSERT_TRUE(read(a, Kind::ltc, port));
    const auto says = [&](const std::string& text) {
        const std::string wanted = "LTC " + port + "  no signal" + text;
        return fake::pumpUntil(a, [&] { return a.windows.timecodeStatus.value == wanted; }, 3s);
    };
    EXPECT_TRUE(says(""));
    // Under a name of its own in a patchbay, apart from the program's MIDI client.
    const std::vector<std::string> reader{"Glimmark timecode:LTC in"};
    EXPECT_TRUE(fake::pumpUntil(a, [&] { return peer->readers() == reader; }, 3s))
        << (peer->readers().empty() ? "none" : peer->readers().front());
    peer.reset();
    EXPECT_TRUE(says("  " + port + " is not there")) << a.windows.timecodeStatus.value;
    peer = std::make_unique<TimecodePeer>(Kind::ltc, server.name());
    ASSERT_TRUE(peer->ready());
    EXPECT_TRUE(says("")) << a.windows.timecodeStatus.value;
}

// A frame is timed when it was at the input: the capture latency before it arrived.
TEST(LtcDecoding, AFrameIsTimedItsCaptureLatencyBeforeItArrived) {
    platform::jack::LtcDecoding ltc(48000);
    platform::jack::LtcDecoding::Record record{};
    record.beganAt = 1'000'000;
    EXPECT_EQ(ltc.frameOf(record, 40'000).beganAt, 960'000);
}

// A frame alone does not change the rate a stream has; a run of them does, sooner when its
// frame numbers or its drop-frame flag cannot be the old rate's.
TEST(LtcRate, FollowsTheFramesOnceARunOfThemAgrees) {
    platform::jack::LtcRate rate;
    const auto feed = [&](int count, int samples, int number, bool dropFrame) {
        LTCFrameExt frame{};
        frame.off_end = samples - 1;
        frame.ltc.frame_units = number % 10;
        frame.ltc.frame_tens = number / 10;
        frame.ltc.dfbit = dropFrame;
        platform::jack::LtcRate::Rate said;
        while (count-- > 0) said = rate.update(frame, 48000);
        return std::to_string(said.framesPerSecond) + (said.dropFrame ? " df" : "");
    };
    EXPECT_EQ(feed(1, 1920, 3, false), "25");
    EXPECT_EQ(feed(7, 1600, 3, false), "25");
    EXPECT_EQ(feed(1, 1600, 3, false), "30");
    EXPECT_EQ(feed(2, 1600, 3, true), "30");
    EXPECT_EQ(feed(1, 1600, 3, true), "30 df");
    EXPECT_EQ(feed(2, 2000, 24, false), "30 df");  // a 24 fps length numbered 24 is 25 fps
    EXPECT_EQ(feed(1, 2000, 24, false), "25");
    EXPECT_EQ(feed(2, 1600, 27, false), "25");
    EXPECT_EQ(feed(1, 1600, 27, false), "30");
}

// By key, a take starts and stops within a frame of what the peer had played when the keys
// went down. A try in which JACK overran is made again, as above.
TEST_F(JackTimecode, ATakeByKeyStartsAndStopsOnThePlayedFrames) {
    for (int tries = 1;; ++tries) {
        TimecodePeer peer(Kind::ltc, server.name());
        ASSERT_TRUE(peer.ready());
        peer.prepareLtc(100, 25);
        fake::App a;
        ASSERT_TRUE(read(a, Kind::ltc, peer.port()));
        a.windows.cmbLogSelectVal.selectItem(TimecodeSourceLink::kByKey);
        a.app->cmbLogSelect();
        ASSERT_TRUE(fake::pumpUntil(a, [&] { return peer.connected(); }, 10s));
        const jacktest::Overruns overruns(server.name());
        peer.play();
        // Start Log a second in, Stop Log two seconds in: the frames played before and after.
        const double samplesPerFrame = peer.sampleRate() / 25;
        int played[2][2] = {};
        for (int key = 0; key < 2; ++key) {
            ASSERT_TRUE(fake::pumpUntil(
                a, [&] { return peer.played() >= (1 + key) * 25 * samplesPerFrame; }));
            played[key][0] = static_cast<int>(peer.played() / samplesPerFrame);
            key == 0 ? a.app->btnLogManual() : a.app->btnLogManualStop();
            played[key][1] = static_cast<int>(peer.played() / samplesPerFrame);
            a.mainThread.drain();
        }
        a.app->timecodeSources().use(nullptr);
        const auto near = [&](int k, int key) {
            const int got = timecode::frameOf(a.field(1, k), {25, false}).value_or(-100) -
                            *timecode::frameOf("10:00:00:00", {25, false});
            return got >= played[key][0] - 1 && got <= played[key][1] + 1;
        };
        const bool good =
            a.app->logStartArray.recordCount() == 1 && near(kFieldStart, 0) && near(kFieldStop, 1);
        if (!good && overruns.count() > 0 && tries < 5)
            continue;
        EXPECT_TRUE(good) << a.field(1, kFieldStart) << " to " << a.field(1, kFieldStop)
                          << ", played frames " << played[0][0] << "-" << played[0][1] << " and "
                          << played[1][0] << "-" << played[1][1];
        break;
    }
}

// The virtual interface's LTC player: a second of 29.97 drop-frame, two of silence, then the
// next second, each run a take of its own from the frame the last one stopped after.
TEST_F(JackTimecode, TheSimulatorsLtcRunsAndPausesAndRunsOnWhereItStopped) {
    const timecode::FrameRate rate{30, true};
    for (int tries = 1;; ++tries) {
        std::string why;
        auto player = vexasim::LtcPlayer::open(
            {.clientName = "simulated ltc", .serverName = server.name(),
             .rate = vexasim::FrameRate::fps2997DropFrame, .startAt = {10, 0, 5, 0},
             .runSeconds = 1, .pauseSeconds = 2},
            &why);
        ASSERT_TRUE(player) << why;
        fake::App a;
        ASSERT_TRUE(read(a, Kind::ltc, player->portName()));
        const jacktest::Overruns overruns(server.name());
        std::string status;
        const auto twoTakes = [&] {
            if (a.windows.timecodeStatus.value.find("fps") != std::string::npos)
                status = a.windows.timecodeStatus.value;
            return a.app->logStartArray.recordCount() == 2 && !a.field(2, kFieldStop).empty();
        };
        const bool heard = fake::pumpUntil(a, twoTakes, 20s);
        a.app->timecodeSources().use(nullptr);
        // The second run's first frame is heard whole after the silence: exactly; a stop may
        // lose its last frame to the JACK cycle.
        const bool near = nearby(a.field(1, kFieldStop), "10:00:05:29", rate) &&
                          a.field(2, kFieldStart) == "10:00:06:00" &&
                          nearby(a.field(2, kFieldStop), "10:00:06:29", rate);
        if (overruns.count() > 0 && tries < 5 && !(heard && near))
            continue;
        EXPECT_TRUE(heard && near) << a.field(1, kFieldStop) << ", then " << a.field(2, kFieldStart)
                                   << " to " << a.field(2, kFieldStop);
        EXPECT_TRUE(status.ends_with("  29.97 fps drop-frame")) << status;
        break;
    }
}

}  // namespace
