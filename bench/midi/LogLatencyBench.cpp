// How long a log takes from the interface to the LogList over real MIDI: from the moment the
// virtual interface sends a log start into JACK to the moment the record stands in the
// LogList, through the JACK MIDI system's delivering thread, the controller's input assembly and
// interpreter and the hand-over to the main thread. One iteration is one log; the manual time of
// each is that latency, and the counters give its median and 99th percentile in milliseconds.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "loglist/Timecode.h"
#include "midi/JackServer.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"
#include "vexasim/JackVirtualInterface.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The main thread's event loop, run by the benchmark's own thread: posted work wakes it at
// once, as a toolkit's queued call would.
class EventLoop final : public platform::MainThread {
public:
    void post(std::function<void()> work) override {
        {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(std::move(work));
        }
        m_posted.notify_one();
    }

    // Runs posted work and the timers until `done`, calling `afterWork` after each piece.
    bool runUntil(const std::function<bool()>& done, Clock::duration timeout,
                  const std::function<void()>& afterWork = {}) {
        const Clock::time_point end = Clock::now() + timeout;
        while (!done()) {
            if (Clock::now() > end)
                return false;
            std::function<void()> work;
            {
                std::unique_lock lock(m_mutex);
                m_posted.wait_for(lock, 1ms, [this] { return !m_pending.empty(); });
                if (!m_pending.empty()) {
                    work = std::move(m_pending.front());
                    m_pending.pop_front();
                }
            }
            if (work) {
                work();
                if (afterWork)
                    afterWork();
            }
            const auto now = Clock::now();
            timers.advance(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_timersAt));
            m_timersAt += std::chrono::duration_cast<std::chrono::milliseconds>(now - m_timersAt);
        }
        return true;
    }

    fake::Timers timers;

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_pending;
    Clock::time_point m_timersAt = Clock::now();
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void BM_LogStartToLogListOverJack(benchmark::State& state) {
    if (!jacktest::JackServer::ensure().available()) {
        state.SkipWithError(
            ("needs a JACK server: " + jacktest::JackServer::ensure().why()).c_str());
        return;
    }

    // When each log start left the interface, by its start timecode.
    std::mutex mutex;
    std::map<std::string, Clock::time_point> sentAt;
    vexasim::JackVirtualInterface::Options options;
    options.rate = vexasim::FrameRate::fps30;
    options.onSending = [&](vexasim::JackVirtualInterface::Message m) {
        if (m.size() == 11 && m[3] == 0x67 && m[4] == 0x01) {
            const auto now = Clock::now();
            std::lock_guard lock(mutex);
            sentAt[timecode::format(m[5], m[6], m[7], m[8])] = now;
        }
    };
    std::string error;
    auto sim = vexasim::JackVirtualInterface::open(std::move(options), &error);
    if (!sim) {
        state.SkipWithError(error.c_str());
        return;
    }
    // A log every fifth of a second, so each is measured on its own.
    sim->driver().withInterface([](vexasim::SimulatedInterface& s) { s.setAutoLogTiming(6, 2); });

    platform::midi::JackMidiSystem midi;
    EventLoop loop;
    fake::Clock clock;
    fake::SystemLog systemLog;
    fake::ImageCodec codec;
    fake::VideoSystem video;
    fake::Windows windows;
    vexaLogging3AppDelegate c(
        PlatformServices{loop, clock, systemLog, midi, codec, loop.timers, video},
        windows.outlets());
    windows.btnEditPlayVal.enabled = false;
    c.timer2Callback();
    if (!loop.runUntil([&] { return windows.btnEditPlayVal.enabled; }, 10s)) {
        state.SkipWithError("the controller did not connect to the virtual interface");
        return;
    }
    windows.cmbLogSelectVal.selected = 1;
    c.cmbLogSelect();

    std::vector<double> latencies;
    int seen = c.logStartArray.recordCount();
    Clock::time_point arrived;
    auto noteArrival = [&] {
        if (c.logStartArray.recordCount() > seen && arrived == Clock::time_point{})
            arrived = Clock::now();
    };
    for (auto _ : state) {
        arrived = {};
        if (!loop.runUntil([&] { return arrived != Clock::time_point{}; }, 5s, noteArrival)) {
            state.SkipWithError("no log arrived within 5 s");
            break;
        }
        seen = c.logStartArray.recordCount();
        const std::string start = c.logStartArray.text(LogList::indexOf(seen, kFieldStart));
        Clock::time_point sent;
        {
            std::lock_guard lock(mutex);
            sent = sentAt.at(start);
        }
        const std::chrono::duration<double> latency = arrived - sent;
        state.SetIterationTime(latency.count());
        latencies.push_back(latency.count() * 1000.0);
    }
    windows.cmbLogSelectVal.selected = 0;
    c.cmbLogSelect();
    c.waitForSends();
    loop.runUntil([] { return true; }, 0s);
    if (!latencies.empty()) {
        state.counters["median_ms"] = percentile(latencies, 0.5);
        state.counters["p99_ms"] = percentile(latencies, 0.99);
        state.counters["max_ms"] = percentile(latencies, 1.0);
    }
}
BENCHMARK(BM_LogStartToLogListOverJack)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
