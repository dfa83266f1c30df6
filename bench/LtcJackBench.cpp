// LTC over JACK, end to end, against the simulator's LTC player on a JACK server of the
// bench's own (dummy driver, 48 kHz, 256-sample periods):
//  - from the end of an LTC frame at the port to its timecode on the status line: median and
//    99th percentile in milliseconds (the goal: under one frame, 40 ms at 25 fps);
//  - takes by key at random moments: how many frames the take's start lies from the frame at
//    the port when the key went down (the goal: every one within a frame), over 200 presses.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <random>

#include "midi/JackHarness.h"
#include "platform/fake/FakePlatform.h"
#include "platform/jack/JackTimecodeSource.h"
#include "timecode/TimecodeSources.h"
#include "vexasim/LtcPlayer.h"

namespace {

using namespace std::chrono_literals;
using Source = platform::jack::JackTimecodeSource;

// Keeps when each label began at the input, as the source stamped it, and hands the frames on.
class Stamped final : public platform::TimecodeSource {
public:
    explicit Stamped(std::unique_ptr<platform::TimecodeSource> inner) : m_inner(std::move(inner)) {}
    std::string name() const override { return m_inner->name(); }
    bool start(Callbacks c, std::string& why) override {
        auto frame = c.frame;
        c.frame = [this, frame](const platform::SourceFrame& f) {
            {
                std::lock_guard lock(m_mutex);
                m_began[timecode::format(f.hours, f.minutes, f.seconds, f.frames)] = f.beganAt;
            }
            frame(f);
        };
        return m_inner->start(std::move(c), why);
    }
    void stop() override { m_inner->stop(); }
    std::int64_t now() const override { return m_inner->now(); }
    std::optional<std::int64_t> began(const std::string& label) {
        std::lock_guard lock(m_mutex);
        const auto found = m_began.find(label);
        return found == m_began.end() ? std::nullopt : std::optional(found->second);
    }

private:
    std::unique_ptr<platform::TimecodeSource> m_inner;
    std::mutex m_mutex;
    std::map<std::string, std::int64_t> m_began;
};

struct Rig {
    fake::App app;
    std::unique_ptr<vexasim::LtcPlayer> player;
    Stamped* source = nullptr;
    bool open(std::string& why) {
        jacktest::JackServer& server = jacktest::JackServer::ensure();
        vexasim::LtcPlayer::Options options;
        options.serverName = server.name();
        player = vexasim::LtcPlayer::open(options, &why);
        if (!player)
            return false;
        Source::Options o;
        o.port = player->portName();
        o.serverName = server.name();
        auto stamped = std::make_unique<Stamped>(std::make_unique<Source>(o));
        source = stamped.get();
        return app.app->timecodeSources().use(std::move(stamped));
    }
    // The main thread's loop, a millisecond at a time.
    void pump(std::chrono::milliseconds span, const std::function<void()>& each = {}) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            app.mainThread.drain();
            if (each)
                each();
            std::this_thread::sleep_for(1ms);
        }
    }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void BM_LtcFrameToStatusLine(benchmark::State& state) {
    Rig rig;
    std::string why;
    if (!rig.open(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        std::string shown = rig.app.windows.statusText.value;
        rig.pump(2s, [&] {
            if (rig.app.windows.statusText.value == shown)
                return;
            shown = rig.app.windows.statusText.value;
            // "  10:00:01:02": when that frame's last sample was at the port.
            if (const auto began = rig.source->began(shown.substr(2)))
                latencies.push_back(static_cast<double>(rig.source->now() - *began - 40'000) / 1000);
        });
    }
    state.counters["median_ms"] = percentile(latencies, 0.5);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["frames"] = static_cast<double>(latencies.size());
}

void BM_TakeByKeyAtRandomMoments(benchmark::State& state) {
    Rig rig;
    std::string why;
    if (!rig.open(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    rig.app.windows.cmbLogSelectVal.selectItem(TimecodeSourceLink::kByKey);
    rig.app.app->cmbLogSelect();
    rig.pump(500ms);
    std::mt19937 random(38);
    std::vector<double> errors;
    int refused = 0;
    for (auto _ : state) {
        for (int press = 0; press < 200; ++press) {
            rig.pump(std::chrono::milliseconds(10 + random() % 60));
            const std::int64_t at = rig.source->now();
            const vexasim::LtcPlayer::Played played = rig.player->newest();
            const int before = rig.app.app->logStartArray.recordCount();
            rig.app.app->btnLogManual();
            rig.app.app->btnLogManualStop();
            rig.app.mainThread.drain();
            const int record = rig.app.app->logStartArray.recordCount();
            if (record == before) {
                ++refused;  // no frame for ten frames: the JACK server stalled
                continue;
            }
            // The frame at the port then, on JACK's clock: the player runs from 10:00:00:00.
            const std::int64_t expected =
                10 * 3600 * 25 + played.frames + (at - played.at) * 25 / 1'000'000;
            const auto got = timecode::frameOf(rig.app.field(record, kFieldStart), {25, false});
            if (!got) {
                state.SkipWithError(("a take by key with the start " +
                                     rig.app.field(record, kFieldStart)).c_str());
                return;
            }
            errors.push_back(static_cast<double>(*got - expected));
            if (std::abs(errors.back()) > 1)
                std::fprintf(stderr, "press %d: %s, %lld frames off (newest %lld at %lld, key at %lld)\n",
                             press, rig.app.field(record, kFieldStart).c_str(),
                             static_cast<long long>(errors.back()),
                             static_cast<long long>(played.frames), static_cast<long long>(played.at),
                             static_cast<long long>(at));
        }
    }
    std::vector<double> sizes;
    for (const double e : errors) sizes.push_back(std::abs(e));
    state.counters["presses"] = static_cast<double>(errors.size() + refused);
    state.counters["refused_no_signal"] = refused;
    state.counters["within_one_frame"] =
        static_cast<double>(std::count_if(sizes.begin(), sizes.end(), [](double e) { return e <= 1; }));
    state.counters["worst_frames"] = sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end());
    state.counters["median_error_frames"] = percentile(errors, 0.5);
}

BENCHMARK(BM_LtcFrameToStatusLine)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeByKeyAtRandomMoments)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
