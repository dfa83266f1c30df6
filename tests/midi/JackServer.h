#pragma once

#include <jack/jack.h>

#include <memory>
#include <string>
#include <thread>

#include "midi/ChildProcess.h"

namespace jacktest {

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
        if (!(useRunning && answers()))
            start();
    }
    ~JackServer() {
        if (m_jackd)
            m_jackd->stop(SIGTERM);
    }

    bool available() const { return answers(); }
    std::string why() const { return "jackd --no-realtime -d dummy does not start (jackd2)"; }
    const std::string& name() const { return m_name; }

    bool answers() const {
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
        m_jackd = std::make_unique<ChildProcess>(args, false);
        for (int i = 0; i < 200 && !answers(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return answers();
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
