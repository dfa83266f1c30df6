#pragma once

// What the tests over JACK run against: a JACK server, a plain libjack device, and programs.

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace jacktest {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const Bytes kLoggingRead = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};

inline bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = 2s,
                       std::chrono::milliseconds every = 1ms) {
    for (const auto end = Clock::now() + limit; !done(); std::this_thread::sleep_for(every))
        if (Clock::now() >= end)
            return false;
    return true;
}

// The ports one of ours is connected to, as the JACK graph names them ("client:port").
inline std::vector<std::string> connectionsOf(const jack_port_t* port) {
    std::vector<std::string> names;
    if (const char** listed = jack_port_get_connections(port)) {
        for (const char** name = listed; *name != nullptr; ++name) names.emplace_back(*name);
        jack_free(listed);
    }
    return names;
}

// A client of `server` (the default one when empty) that starts none; closed when it goes. A
// class keeps it as its last member, so that its callbacks end before the members they use.
using Client = std::unique_ptr<jack_client_t, decltype(&jack_client_close)>;
inline Client openClient(const char* name, const std::string& server, int options = 0) {
    options |= JackNoStartServer | (server.empty() ? 0 : JackServerName);
    const auto flags = static_cast<jack_options_t>(options);
    return {jack_client_open(name, flags, nullptr, server.c_str()), &jack_client_close};
}

// A MIDI device of libjack alone, "vexa :in" and "vexa :out": it keeps every event that arrives
// and answers the status sense and the logging-state question as the interface does. It locks
// and allocates in its process callback: no server here runs real-time.
class JackPeer {
public:
    // Null when no server answers or the name stays taken for `patience` (a client killed a
    // moment ago holds its name until the server notices).
    static std::unique_ptr<JackPeer> open(const std::string& server = {},
                                          std::chrono::milliseconds patience = 2s) {
        std::unique_ptr<JackPeer> p(new JackPeer);
        const auto opened = [&] {
            p->m_client = openClient("vexa ", server, JackUseExactName);
            return p->m_client != nullptr;
        };
        if (!eventually(opened, patience, 5ms))
            return nullptr;
        jack_client_t* client = p->m_client.get();
        p->m_in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        p->m_out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client, &JackPeer::process, p.get());
        return p->m_in && p->m_out && jack_activate(client) == 0 ? std::move(p) : nullptr;
    }

    std::vector<Bytes> received() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    bool heard(const Bytes& wanted) const {
        std::lock_guard lock(m_mutex);
        return std::ranges::find(m_received, wanted) != m_received.end();
    }
    // How many of its two ports have a connection in effect, as JACK shows it.
    int connectedPorts() const {
        return (jack_port_connected(m_in) > 0) + (jack_port_connected(m_out) > 0);
    }
    // The port the device's input hears from, as the JACK graph names it ("client:port").
    std::string heardFrom() const {
        const std::vector<std::string> names = connectionsOf(m_in);
        return names.empty() ? "" : names.front();
    }

private:
    JackPeer() = default;

    static int process(jack_nframes_t frames, void* self) {
        auto& p = *static_cast<JackPeer*>(self);
        void* in = jack_port_get_buffer(p.m_in, frames);
        void* out = jack_port_get_buffer(p.m_out, frames);
        jack_midi_clear_buffer(out);
        std::lock_guard lock(p.m_mutex);
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
        return 0;
    }

    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_received;
    std::deque<Bytes> m_outgoing;
    Client m_client{nullptr, &jack_client_close};
};

// Counts the cycles a JACK server overran (xruns) while it is open: on a busy machine jackd
// --no-realtime drops whole cycles, a loss a check cannot tell from the program's.
class Overruns {
public:
    explicit Overruns(const std::string& server) : m_client(openClient("glimmark xruns", server)) {
        const auto counted = [](void* n) { return ++*static_cast<std::atomic<int>*>(n), 0; };
        if (m_client && (jack_set_xrun_callback(m_client.get(), counted, &m_count) != 0 ||
                         jack_activate(m_client.get()) != 0))
            m_client.reset();
    }
    // Overruns since it opened; every cycle counts as overrun when none can be counted.
    int count() const { return m_client ? m_count.load() : 1; }

private:
    std::atomic<int> m_count{0};
    Client m_client;
};

// A program, its output thrown away; killed at once when it goes, as a crash would end it, and
// when the tests' process dies, so that no server outlives the run.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t parent = ::getpid();
        const pid_t pid = null < 0 ? -1 : ::fork();
        if (pid == 0) {
            // Only calls safe in a threaded process's child until exec (glibc's execvp looks
            // along PATH without allocating).
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0)
                ::_exit(127);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        if (null >= 0)
            ::close(null);
        m_pid = pid > 0 ? pid : 0;
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    // Ends it as an ordinary stop would (going on first if it was halted), and waits.
    void terminate() {
        if (m_pid > 0 && ::kill(m_pid, SIGTERM) == 0 && ::kill(m_pid, SIGCONT) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }
    // Halts it where it stands, as a hung program would (SIGSTOP), or lets it go on.
    void halt(bool halted) {
        if (m_pid > 0)
            ::kill(m_pid, halted ? SIGSTOP : SIGCONT);
    }

private:
    pid_t m_pid = 0;
};

// A JACK server with the dummy driver under a name of this run's own, so that runs sharing
// the machine never meet; with GLIMMARK_TEST_JACK_SERVER "running", the one JACK programs find
// (PipeWire's under pw-jack). JACK's registry holds eight servers and keeps a killed one's entry
// until one of its name starts again: so a run names its servers after a slot of its own (a
// lock file held until the process ends), and the next run in the slot takes back what is left.
class JackServer {
public:
    // The server the tests that do not stop it share, started once a process.
    static JackServer& ensure() {
        static const char* use = std::getenv("GLIMMARK_TEST_JACK_SERVER");
        static const bool running = use != nullptr && std::string(use) == "running";
        static JackServer server(running ? "" : runName("shared"), running);
        // What every client of the process and its children finds when it names no server.
        if (!running)
            ::setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);
        return server;
    }
    // "glimmark-test-2-<what>", after the slot this run holds.
    static std::string runName(const std::string& what) {
        return "glimmark-test-" + std::to_string(slot()) + "-" + what;
    }
    JackServer(std::string name, bool useRunning) : m_name(std::move(name)) {
        if (!(useRunning && available()))
            start();
    }
    // Stopped in order, so that it leaves JACK's registry: one killed is started again first.
    ~JackServer() {
        if (m_killed && !m_jackd)
            start();
        if (m_jackd)
            m_jackd->terminate();
    }
    std::string why() const { return "jackd --no-realtime -d dummy does not start (jackd2)"; }
    const std::string& name() const { return m_name; }

    bool available() const {
        // Else libjack complains on stderr at every failed attempt.
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        return openClient("glimmark test check", m_name) != nullptr;
    }
    // Whether it answers within 10 s.
    bool start() {
        std::vector<std::string> args = {"jackd", "--no-realtime", "-d", "dummy", "-p", "256"};
        if (!m_name.empty())
            args.insert(args.begin() + 2, {"-n", m_name});
        m_jackd = std::make_unique<ChildProcess>(args);
        m_killed = false;
        return eventually([&] { return available(); }, 10s, 50ms);
    }
    // Hangs (answers nothing, runs no cycle) until told to go on.
    void halt(bool halted) {
        if (m_jackd)
            m_jackd->halt(halted);
    }
    // Gone at once, as a crash would end it.
    void kill() {
        m_killed = m_jackd != nullptr;
        m_jackd.reset();
    }

private:
    static constexpr int kSlots = 3;

    // This run's slot: the first free one, else the first one once it comes free.
    static int slot() {
        static const int taken = [] {
            for (int s = 0; s <= kSlots; ++s) {
                const std::string path =
                    "/tmp/glimmark-jack-slot-" + std::to_string(s % kSlots) + ".lock";
                const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
                if (fd >= 0 && ::flock(fd, LOCK_EX | (s < kSlots ? LOCK_NB : 0)) == 0)
                    return s % kSlots;  // Held, through fd, until the process ends.
                if (fd >= 0)
                    ::close(fd);
            }
            return 0;
        }();
        return taken;
    }

    std::string m_name;
    std::unique_ptr<ChildProcess> m_jackd;
    bool m_killed = false;
};

}  // namespace jacktest
