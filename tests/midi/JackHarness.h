#pragma once

// What the tests over JACK run against: a JACK server, a plain libjack device, and programs
// to kill.

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace jacktest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const Bytes kLoggingRead = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};

// A MIDI device on JACK made of nothing but libjack, nothing of this project's: the client
// "vexa " with the ports "in" and "out". It keeps every event that arrives and answers the
// status sense and the logging-state question as the interface does. It runs in the tests'
// process or, to be killed, as the program glimmark-test-jack-peer. Its process callback
// locks and allocates: harmless on a server that never runs real-time.
class JackPeer {
public:
    // Null when no server answers or the name stays taken for `patience` (a client killed a
    // moment ago holds its name until the server notices).
    static std::unique_ptr<JackPeer> open(const std::string& server = {},
                                          std::chrono::milliseconds patience = 2s) {
        std::unique_ptr<JackPeer> p(new JackPeer);
        const auto flags = static_cast<jack_options_t>(JackNoStartServer | JackUseExactName |
                                                       (server.empty() ? 0 : JackServerName));
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (!(p->m_client = jack_client_open("vexa ", flags, nullptr, server.c_str()))) {
            if (std::chrono::steady_clock::now() >= deadline)
                return nullptr;
            std::this_thread::sleep_for(5ms);
        }
        p->m_in = jack_port_register(p->m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        p->m_out =
            jack_port_register(p->m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(p->m_client, &JackPeer::process, p.get());
        jack_set_xrun_callback(
            p->m_client, [](void* self) { return ++static_cast<JackPeer*>(self)->m_xruns, 0; },
            p.get());
        return p->m_in && p->m_out && jack_activate(p->m_client) == 0 ? std::move(p) : nullptr;
    }
    ~JackPeer() {
        if (m_client)
            jack_client_close(m_client);
    }

    // Sends bytes as JACK events of at most `chunk` bytes each, in order.
    void send(const Bytes& bytes, std::size_t chunk = SIZE_MAX) {
        std::lock_guard lock(m_mutex);
        for (std::size_t at = 0; at < bytes.size(); at += chunk)
            m_outgoing.emplace_back(bytes.begin() + at,
                                    bytes.begin() + at + std::min(chunk, bytes.size() - at));
    }
    // Waits until everything given to send() has left, and a few cycles more.
    void flush() {
        for (std::unique_lock lock(m_mutex); !m_outgoing.empty(); lock.lock()) {
            lock.unlock();
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(20ms);
    }
    std::vector<Bytes> received() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    // Whether an event equal to `wanted` arrives within the time.
    bool waitFor(const Bytes& wanted, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            return std::find(m_received.begin(), m_received.end(), wanted) != m_received.end();
        });
    }
    // Whether both its ports have a connection in effect, as JACK shows it to this client.
    bool connected() const {
        return jack_port_connected(m_in) > 0 && jack_port_connected(m_out) > 0;
    }
    // Cycles JACK reported overrun (xruns) since the peer opened: an event written in such a
    // cycle may be lost, whoever wrote it.
    int xruns() const { return m_xruns.load(); }

private:
    JackPeer() = default;

    static int process(jack_nframes_t frames, void* self) {
        auto& p = *static_cast<JackPeer*>(self);
        void* in = jack_port_get_buffer(p.m_in, frames);
        void* out = jack_port_get_buffer(p.m_out, frames);
        jack_midi_clear_buffer(out);
        std::unique_lock lock(p.m_mutex);
        jack_midi_event_t e;
        for (std::uint32_t i = 0; jack_midi_event_get(&e, in, i) == 0; ++i) {
            const Bytes& event = p.m_received.emplace_back(e.buffer, e.buffer + e.size);
            if (event == kStatusSense)
                p.m_outgoing.push_back({0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7});
            if (event == kLoggingRead)
                p.m_outgoing.push_back({0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7});
        }
        for (jack_midi_data_t* slot; !p.m_outgoing.empty(); p.m_outgoing.pop_front()) {
            // Full this cycle: the rest goes in the next.
            if (!(slot = jack_midi_event_reserve(out, 0, p.m_outgoing.front().size())))
                break;
            std::memcpy(slot, p.m_outgoing.front().data(), p.m_outgoing.front().size());
        }
        lock.unlock();
        p.m_arrived.notify_all();
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Bytes> m_received;
    std::deque<Bytes> m_outgoing;
    std::atomic<int> m_xruns{0};
};

// A program (looked up on PATH) run as a process of its own, its standard output written to
// the file `output`, its standard error thrown away. Killed at once, as a crash or a pulled
// plug would end it, when it goes.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args, std::string output = "/dev/null")
        : m_output(std::move(output)) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, argv[0], &files, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&files);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (m_pid > 0 && kill(m_pid, SIGKILL) == 0)
            waitpid(m_pid, nullptr, 0);
    }
    // Asks it to end as an ordinary stop would, and waits until it has.
    void terminate() {
        if (m_pid > 0 && kill(m_pid, SIGTERM) == 0)
            waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }
    // The whole lines it has written so far.
    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        std::ifstream in(m_output);
        for (std::string line; std::getline(in, line) && !in.eof();) lines.push_back(line);
        return lines;
    }

private:
    std::string m_output;
    pid_t m_pid = 0;
};

// A JACK server with the dummy driver, which needs no sound card: the one already running
// (CI starts one), or one started here and killed when the process ends. A test that kills
// its server gets one of its own under another name, never the shared one.
class JackServer {
public:
    static JackServer& ensure() {
        static JackServer server("", true);
        return server;
    }
    JackServer(std::string name, bool useRunning) : m_name(std::move(name)) {
        if (!(useRunning && available()))
            start();
    }
    // Stopped in order, so that the server takes its entry out of JACK's registry of at most
    // eight servers; a killed one leaves it behind until a server of its name starts again.
    ~JackServer() {
        if (m_jackd)
            m_jackd->terminate();
    }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;
    std::string why() const { return "jackd --no-realtime -d dummy does not start (jackd2)"; }
    const std::string& name() const { return m_name; }

    // Whether the server answers now.
    bool available() const {
        // libjack complains on stderr about every failed attempt to reach a server.
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        const auto flags =
            static_cast<jack_options_t>(JackNoStartServer | (m_name.empty() ? 0 : JackServerName));
        jack_client_t* client =
            jack_client_open("glimmark test check", flags, nullptr, m_name.c_str());
        if (client != nullptr)
            jack_client_close(client);
        return client != nullptr;
    }
    // (Re)starts this object's own server; whether it answers within 10 s.
    bool start() {
        std::vector<std::string> args = {"jackd", "--no-realtime", "-d", "dummy", "-p", "256"};
        if (!m_name.empty())
            args.insert(args.begin() + 2, {"-n", m_name});
        m_jackd = std::make_unique<ChildProcess>(args);
        for (int i = 0; i < 200 && !available(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return available();
    }
    // Gone at once, as a crash would end it.
    void kill() { m_jackd.reset(); }

private:
    std::string m_name;
    std::unique_ptr<ChildProcess> m_jackd;
};

}  // namespace jacktest
