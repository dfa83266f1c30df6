#pragma once

// The processes the tests over JACK run: a JACK server, and devices and programs to kill.

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace jacktest {

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
    ~ChildProcess() { stop(SIGKILL); }
    void stop(int signal) {
        if (m_pid > 0 && kill(m_pid, signal) == 0)
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
// (CI starts one), or one started here and stopped when the process ends. A test that kills
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
    ~JackServer() {
        if (m_jackd)
            m_jackd->stop(SIGTERM);
    }
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

// Skips the calling test when no JACK server is there and none can be started.
#define REQUIRE_JACK_SERVER()                                                                \
    do {                                                                                     \
        if (!jacktest::JackServer::ensure().available())                                     \
            GTEST_SKIP() << "needs a JACK server: " << jacktest::JackServer::ensure().why(); \
    } while (false)
