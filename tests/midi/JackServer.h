#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace jacktest {

// Whether a JACK server of that name (empty: the default one) answers now.
inline bool jackAnswers(const std::string& server = {}) {
    // libjack complains on stderr about every failed attempt to reach a server.
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    jack_status_t status{};
    jack_client_t* client =
        server.empty()
            ? jack_client_open("glimmark test check", JackNoStartServer, &status)
            : jack_client_open("glimmark test check",
                               static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                               &status, server.c_str());
    if (client == nullptr)
        return false;
    jack_client_close(client);
    return true;
}

// Waits until the port of that full name has a connection in effect, as seen from a client of
// the test's own, and then a few cycles more: for MIDI systems that cannot say so themselves.
inline bool waitUntilConnected(const std::string& portName,
                               std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
    jack_client_t* client = jack_client_open("glimmark test watch", JackNoStartServer, nullptr);
    if (client == nullptr)
        return false;
    bool connected = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!connected && std::chrono::steady_clock::now() < deadline) {
        const jack_port_t* port = jack_port_by_name(client, portName.c_str());
        connected = port != nullptr && jack_port_connected(port) > 0;
        if (!connected)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    jack_client_close(client);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return connected;
}

// jackd --no-realtime on a loaded machine now and then hands an event over twice: a message
// that arrives twice in a row counts once. (Where this is used, the program never sends the
// same message twice in a row.)
template <class T>
std::vector<T> collapseRepeats(std::vector<T> events) {
    events.erase(std::unique(events.begin(), events.end()), events.end());
    return events;
}

// Starts jackd with the dummy driver, which needs no sound card, under `server` (empty: the
// default name) and waits until it answers. The process, or 0 with the reason in `why`.
inline pid_t startJackd(const std::string& server, std::string& why) {
    std::vector<std::string> args = {"jackd", "--no-realtime"};
    if (!server.empty())
        args.insert(args.end(), {"-n", server});
    args.insert(args.end(), {"-d", "dummy", "-r", "48000", "-p", "256"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "jackd", &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        why = "no JACK server runs and jackd could not be started (install jackd2)";
        return 0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (jackAnswers(server))
            return pid;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            why = "jackd --no-realtime -d dummy exited at once";
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    why = "jackd was started but did not answer within 10 s";
    return 0;
}

// A JACK server for tests that need real MIDI ports: the one already running (CI starts one),
// or one started here and stopped again when the process ends. A test that kills its server
// gets one of its own under another name (`own`), never this one.
class JackServer {
public:
    // Whether a server answers now or could be started; `why()` says what went wrong.
    static JackServer& ensure() {
        static JackServer server;
        return server;
    }

    // A server that only this object starts, stops and kills.
    static std::unique_ptr<JackServer> own(std::string name) {
        std::unique_ptr<JackServer> server(new JackServer(std::move(name), false));
        server->start();
        return server;
    }

    bool available() const { return m_available; }
    const std::string& why() const { return m_why; }
    const std::string& name() const { return m_name; }

    // (Re)starts a server of this object's own; whether it answers.
    bool start() {
        if (m_pid == 0)
            m_pid = startJackd(m_name, m_why);
        m_available = m_pid != 0;
        return m_available;
    }
    // Kills a server of this object's own at once, as a crash would.
    void kill9() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = 0;
        m_available = false;
    }

    ~JackServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    JackServer() {
        if (jackAnswers()) {
            m_available = true;
            return;
        }
        start();
    }
    JackServer(std::string name, bool) : m_name(std::move(name)) {}

    std::string m_name;
    pid_t m_pid = 0;
    bool m_available = false;
    std::string m_why;
};

}  // namespace jacktest

// Skips the calling test when no JACK server is there and none can be started.
#define REQUIRE_JACK_SERVER()                                                                \
    do {                                                                                     \
        if (!jacktest::JackServer::ensure().available())                                     \
            GTEST_SKIP() << "needs a JACK server: " << jacktest::JackServer::ensure().why(); \
    } while (false)
