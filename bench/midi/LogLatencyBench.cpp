// How long a log takes from the interface to the LogList over real MIDI: from the moment the
// virtual interface sends a log start into JACK to the moment the record stands in the
// LogList, through the JACK MIDI system's delivering thread, the controller's input assembly and
// interpreter and the hand-over to the main thread. One iteration is one log; the manual time of
// each is that latency, and the counters give its median and 99th percentile in milliseconds.
//
// Beside it, in the same run on the same JACK server, plain receivers of the same messages as
// the yardstick: python-rtmidi and a JACK client in Python (bench/midi/reference_receiver.py,
// Debian python3-rtmidi and python3-jack-client); ref_<receiver>_* runs from the moment the
// interface sent a log start to the moment that receiver's callback had it.
//
// Capture runs with a camera-like 1080p frame and the real JPEG encoder. The program's own
// share (own_*) runs from the moment the MIDI callback is entered to the moment the main
// thread has stored the record and queued the editor's refresh; picture_* runs from the
// callback to the still stored in that record.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "loglist/Timecode.h"
#include "midi/JackHarness.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/MemoryFrame.h"
#include "platform/midi/JackMidiSystem.h"
#include "platform/video/TurboJpegCodec.h"
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
            m_pending.push_back({std::move(work), Clock::now()});
        }
        m_posted.notify_one();
    }
    void runPosted() override {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard lock(m_mutex);
                if (m_pending.empty())
                    return;
                work = std::move(m_pending.front().work);
                m_pending.pop_front();
            }
            work();
        }
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
                    work = std::move(m_pending.front().work);
                    lastPostedAt = m_pending.front().postedAt;
                    m_pending.pop_front();
                }
            }
            if (work) {
                lastStartedAt = Clock::now();
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
    // When the piece of work that ran last was posted, and when it began to run.
    Clock::time_point lastPostedAt, lastStartedAt;

private:
    struct Posted {
        std::function<void()> work;
        Clock::time_point postedAt;
    };
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Posted> m_pending;
    Clock::time_point m_timersAt = Clock::now();
};

// When the MIDI callback was entered with each log start, by its start timecode.
std::mutex s_callbackMutex;
std::map<std::string, Clock::time_point> s_callbackAt;
platform::MidiReadProc s_readProc = nullptr;

void timedReadProc(std::span<const std::uint8_t> packetList, void* a, void* b) {
    const auto now = Clock::now();
    static constexpr std::uint8_t kLogStart[] = {0xF0, 0x2C, 0x4D, 0x67, 0x01};
    const auto at = std::search(packetList.begin(), packetList.end(), std::begin(kLogStart),
                                std::end(kLogStart));
    if (packetList.end() - at >= 9) {
        std::lock_guard lock(s_callbackMutex);
        s_callbackAt[timecode::format(at[5], at[6], at[7], at[8])] = now;
    }
    s_readProc(packetList, a, b);
}

// The real MIDI system with a stopwatch in front of the controller's read callback.
class TimedMidi final : public platform::MidiSystem {
public:
    explicit TimedMidi(platform::MidiSystem& real) : m_real(real) {}
    int numberOfDestinations() override { return m_real.numberOfDestinations(); }
    platform::MidiRef destination(int i) override { return m_real.destination(i); }
    std::optional<std::string> modelName(platform::MidiRef e) override {
        return m_real.modelName(e);
    }
    platform::MidiRef sourceOfDevice(platform::MidiRef d) override {
        return m_real.sourceOfDevice(d);
    }
    int clientCreate(std::string_view n, platform::MidiRef& c) override {
        return m_real.clientCreate(n, c);
    }
    int outputPortCreate(platform::MidiRef c, std::string_view n, platform::MidiRef& p) override {
        return m_real.outputPortCreate(c, n, p);
    }
    int inputPortCreate(platform::MidiRef c, std::string_view n, platform::MidiReadProc readProc,
                        platform::MidiRef& p) override {
        s_readProc = readProc;
        return m_real.inputPortCreate(c, n, timedReadProc, p);
    }
    int portConnectSource(platform::MidiRef i, platform::MidiRef s) override {
        return m_real.portConnectSource(i, s);
    }
    int portConnectDestination(platform::MidiRef o, platform::MidiRef d) override {
        return m_real.portConnectDestination(o, d);
    }
    bool portConnected(platform::MidiRef p) override { return m_real.portConnected(p); }
    void portDispose(platform::MidiRef p) override { m_real.portDispose(p); }
    void clientDispose(platform::MidiRef c) override { m_real.clientDispose(c); }
    void send(platform::MidiRef p, platform::MidiRef d, std::span<const std::uint8_t> l) override {
        m_real.send(p, d, l);
    }

private:
    platform::MidiSystem& m_real;
};

// Fine grain over gradients, as a camera on a set gives: far harder to encode than bars.
std::shared_ptr<const fake::MemoryFrame> cameraLikeFrame() {
    auto frame = std::make_shared<fake::MemoryFrame>(1920, 1080);
    std::uint32_t grain = 7;
    const auto next = [&grain] { return grain = grain * 1664525u + 1013904223u; };
    frame->paint(
        [&](int x, int y) {
            const int base = 40 + (x * 150 / 1920) + ((x / 40 + y / 40) % 2) * 25;
            return static_cast<std::uint8_t>(std::clamp(base + int(next() >> 27) - 16, 16, 235));
        },
        128, 128);
    for (std::uint8_t& c : frame->u) c = static_cast<std::uint8_t>(110 + (next() >> 27));
    for (std::uint8_t& c : frame->v) c = static_cast<std::uint8_t>(110 + (next() >> 27));
    return frame;
}

// reference_receiver.py as a child process: the moment it received each log start, by its
// start timecode, on the same monotonic clock as steady_clock.
class ReferenceReceiver {
public:
    explicit ReferenceReceiver(const char* receiver) : m_name(receiver) {
        // Close-on-exec, so that the other receiver does not hold this one's input open.
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0)
            return;
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            close(toChild[0]);
            close(toChild[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::string script = REFERENCE_RECEIVER;
        std::string option = std::string("--receiver=") + receiver;
        char python[] = "/usr/bin/python3";
        char* argv[] = {python, script.data(), option.data(), nullptr};
        const bool spawned = posix_spawn(&m_pid, python, &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        m_stdin = toChild[1];
        m_stdout = fdopen(fromChild[0], "r");
        if (!spawned) {
            m_pid = 0;
            return;
        }
        char line[128];
        m_ready =
            std::fgets(line, sizeof line, m_stdout) != nullptr && std::string(line) == "ready\n";
        if (m_ready)
            m_reader = std::thread([this] { read(); });
    }
    ~ReferenceReceiver() {
        close(m_stdin);  // the receiver ends when its input does
        if (m_reader.joinable())
            m_reader.join();
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_stdout)
            std::fclose(m_stdout);
    }
    bool ready() const { return m_ready; }
    const std::string& name() const { return m_name; }
    std::optional<Clock::time_point> arrival(const std::string& start) {
        std::lock_guard lock(m_mutex);
        const auto found = m_arrived.find(start);
        if (found == m_arrived.end())
            return std::nullopt;
        return found->second;
    }

private:
    void read() {
        char timecode[32];
        long long nanoseconds = 0;
        while (std::fscanf(m_stdout, "%31s %lld", timecode, &nanoseconds) == 2) {
            std::lock_guard lock(m_mutex);
            // The first arrival counts: a server under load now and then hands an event over twice.
            m_arrived.emplace(timecode, Clock::time_point(std::chrono::nanoseconds(nanoseconds)));
        }
    }

    std::string m_name;
    pid_t m_pid = 0;
    int m_stdin = -1;
    FILE* m_stdout = nullptr;
    bool m_ready = false;
    std::thread m_reader;
    std::mutex m_mutex;
    std::map<std::string, Clock::time_point> m_arrived;
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

    std::vector<std::unique_ptr<ReferenceReceiver>> references;
    for (const char* receiver : {"rtmidi", "jack"}) {
        references.push_back(std::make_unique<ReferenceReceiver>(receiver));
        if (!references.back()->ready()) {
            std::fprintf(stderr,
                         "reference receiver %s did not start (python3-rtmidi, "
                         "python3-jack-client installed?)\n",
                         receiver);
            references.pop_back();
        }
    }
    // Each log's start timecode and when the interface sent it.
    std::vector<std::pair<std::string, Clock::time_point>> logs;

    platform::midi::JackMidiSystem jackMidi;
    TimedMidi midi(jackMidi);
    EventLoop loop;
    fake::Clock clock;
    fake::SystemLog systemLog;
    platform::TurboJpegCodec codec;
    fake::VideoSystem video;
    fake::Windows windows;
    vexaLogging3AppDelegate c(
        PlatformServices{loop, clock, systemLog, midi, codec, loop.timers, video},
        windows.outlets());
    // A camera whose latest frame is a 1080p picture of fine grain.
    video.devices = {"Camera"};
    c.comboBoxWillPopUp();
    windows.cmbDevicesVal.selectItem(1);
    c.cmbDevices();
    c.captureOutputDidOutputVideoFrame(cameraLikeFrame());
    windows.btnEditPlayVal.enabled = false;
    c.timer2Callback();
    if (!loop.runUntil([&] { return windows.btnEditPlayVal.enabled; }, 10s)) {
        state.SkipWithError("the controller did not connect to the virtual interface");
        return;
    }
    windows.cmbLogSelectVal.selected = 1;
    c.cmbLogSelect();

    std::vector<double> latencies, own, pictures, toPost, toStart, inWork;
    int seen = c.logStartArray.recordCount();
    Clock::time_point arrived, stored, posted, started;
    auto noteArrival = [&] {
        const int records = c.logStartArray.recordCount();
        if (records > seen && arrived == Clock::time_point{}) {
            arrived = Clock::now();
            posted = loop.lastPostedAt;
            started = loop.lastStartedAt;
        }
        if (records > seen && stored == Clock::time_point{} &&
            !c.logStartArray.picture(LogList::indexOf(records, kFieldPicture)).empty())
            stored = Clock::now();
    };
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    for (auto _ : state) {
        arrived = {};
        stored = {};
        if (!loop.runUntil([&] { return stored != Clock::time_point{}; }, 5s, noteArrival)) {
            state.SkipWithError("no log with its picture arrived within 5 s");
            break;
        }
        seen = c.logStartArray.recordCount();
        const std::string start = c.logStartArray.text(LogList::indexOf(seen, kFieldStart));
        Clock::time_point sent, entered;
        {
            std::lock_guard lock(mutex);
            sent = sentAt.at(start);
        }
        {
            std::lock_guard lock(s_callbackMutex);
            entered = s_callbackAt.at(start);
        }
        const std::chrono::duration<double> latency = arrived - sent;
        state.SetIterationTime(latency.count());
        latencies.push_back(ms(arrived - sent));
        own.push_back(ms(arrived - entered));
        pictures.push_back(ms(stored - entered));
        toPost.push_back(ms(posted - entered));
        toStart.push_back(ms(started - posted));
        inWork.push_back(ms(arrived - started));
        logs.emplace_back(start, sent);
    }
    windows.cmbLogSelectVal.selected = 0;
    c.cmbLogSelect();
    c.waitForSends();
    loop.runUntil([] { return true; }, 0s);
    if (!latencies.empty()) {
        state.counters["median_ms"] = percentile(latencies, 0.5);
        state.counters["p99_ms"] = percentile(latencies, 0.99);
        state.counters["max_ms"] = percentile(latencies, 1.0);
        state.counters["own_median_ms"] = percentile(own, 0.5);
        state.counters["own_p99_ms"] = percentile(own, 0.99);
        // Where the program's own share goes: the receive thread up to the hand-over, the
        // wait for the main thread, and the main thread's work.
        state.counters["own_handover_p99_ms"] = percentile(toPost, 0.99);
        state.counters["own_wake_p99_ms"] = percentile(toStart, 0.99);
        state.counters["own_work_p99_ms"] = percentile(inWork, 0.99);
        state.counters["picture_median_ms"] = percentile(pictures, 0.5);
        state.counters["picture_p99_ms"] = percentile(pictures, 0.99);
    }
    // Taken late, so that the receivers' lines about the last logs have been read.
    std::this_thread::sleep_for(100ms);
    for (const auto& reference : references) {
        std::vector<double> values;
        for (const auto& [start, sent] : logs)
            if (const auto at = reference->arrival(start))
                values.push_back(ms(*at - sent));
        if (values.empty())
            continue;
        const std::string name = "ref_" + reference->name();
        state.counters[name + "_median_ms"] = percentile(values, 0.5);
        state.counters[name + "_p99_ms"] = percentile(values, 0.99);
        state.counters[name + "_seen"] = static_cast<double>(values.size());
    }
}
BENCHMARK(BM_LogStartToLogListOverJack)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
