#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace jacktest {

// A JACK server for tests that need real MIDI ports: the one already running (CI starts one),
// or one started here with the dummy driver, which needs no sound card, and stopped again when
// the process ends.
class JackServer {
public:
    // Whether a server answers now or could be started; `why()` says what went wrong.
    static JackServer& ensure() {
        static JackServer server;
        return server;
    }

    bool available() const { return m_available; }
    const std::string& why() const { return m_why; }

    static bool answers() {
        // libjack complains on stderr about every failed attempt to reach a server.
        jack_set_error_function([](const char*) {});
        jack_status_t status{};
        jack_client_t* client = jack_client_open("glimmark test check", JackNoStartServer, &status);
        jack_set_error_function(nullptr);
        if (client == nullptr)
            return false;
        jack_client_close(client);
        return true;
    }

    ~JackServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    JackServer() {
        if (answers()) {
            m_available = true;
            return;
        }
        char* argv[] = {const_cast<char*>("jackd"),
                        const_cast<char*>("--no-realtime"),
                        const_cast<char*>("-d"),
                        const_cast<char*>("dummy"),
                        const_cast<char*>("-r"),
                        const_cast<char*>("48000"),
                        const_cast<char*>("-p"),
                        const_cast<char*>("256"),
                        nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&m_pid, "jackd", &quiet, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            m_pid = 0;
            m_why = "no JACK server runs and jackd could not be started (install jackd2)";
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (answers()) {
                m_available = true;
                return;
            }
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = 0;
                m_why = "jackd --no-realtime -d dummy exited at once";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        m_why = "jackd was started but did not answer within 10 s";
    }

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
