// The controller's link over JACK against devices that are not this project's code: two
// hundred connections each in effect before its first message, sends racing the disposal of
// their port, a plain libjack device killed and back, the JACK server killed and restarted,
// System Exclusive messages that never end or run over 64 KB, and the virtual interface
// program end to end.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <sstream>

#include "loglist/Timecode.h"
#include "midi/JackHarness.h"
#include "platform/SwitchingMidiSystem.h"
#include "platform/midi/JackMidiSystem.h"
#include "platform/midi/RtMidiSystem.h"
#include "support/FakePlatform.h"

// A busy server puts a connection in effect long after jack_connect returns: here, connections
// to the device 25 ms after (this one's cycle or two would hide a message sent too soon).
extern "C" int jack_connect(jack_client_t* client, const char* from, const char* to) {
    static const auto real = reinterpret_cast<int (*)(jack_client_t*, const char*, const char*)>(
        ::dlsym(RTLD_NEXT, "jack_connect"));
    if (!std::string_view(to).starts_with("vexa :"))
        return real(client, from, to);
    std::thread([client, from = std::string(from), to = std::string(to)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        real(client, from.c_str(), to.c_str());
    }).detach();
    return 0;
}

namespace jacktest {
namespace {

using platform::midi::JackMidiSystem;

const Bytes kMmcStop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};

// The controller over the MIDI system on JACK, scanning every two seconds as the program does.
struct LinkedApp {
    explicit LinkedApp(JackMidiSystem::Options options = {}) : midi(std::move(options)) {
        app.app->awakeFromNib();
    }
    ~LinkedApp() { app.app->closeMidi(); }
    bool connected() const {
        return app.app->midiOpenFlag == 1 && app.windows.btnEditPlayVal.enabled;
    }
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return fake::pumpUntil(app, done, limit);
    }
    const std::string& status() const { return app.windows.statusText.value; }

    JackMidiSystem midi;
    fake::App app{midi};
    vexaLogging3AppDelegate& c = *app.app;
};

Bytes fromHex(const std::string& line) {
    Bytes bytes;
    std::istringstream in(line);
    for (unsigned byte = 0; in >> std::hex >> byte;)
        bytes.push_back(static_cast<std::uint8_t>(byte));
    return bytes;
}

TEST(LinkOverJack, EachOfTwoHundredConnectionsCarriesItsFirstMessageAndClosesUnderRacingSends) {
    ASSERT_TRUE(JackServer::ensure().available());
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    fake::App app(midi);
    vexaLogging3AppDelegate& c = *app.app;
    // A loss in the cycles that carried the message, when JACK overran there, may be JACK's;
    // any other is ours.
    std::vector<int> lost, lostInOverrun;
    for (int i = 0; i < 200; ++i) {
        const int xrunsBefore = peer->xruns();
        // Opened as a scan that finds the device opens it.
        c.devicenr = -1;
        for (int d = 0; d < midi.numberOfDestinations(); ++d)
            c.devicenr = midi.modelName(midi.destination(d)) == "vexa " ? d : c.devicenr;
        ASSERT_EQ(c.openMidi(), 0) << "connect " << i;
        // Reported made only once in effect, which the device sees too.
        ASSERT_TRUE(peer->connected()) << "connect " << i;
        // The first message of each connection, told apart by the time it carries.
        auto& stoptime = c.messages.sysexSendStoptime;
        c.messages.patchPlayerTime(stoptime, timecode::format(0, 0, i / 25, i % 25));
        c.send(stoptime);
        c.waitForSends();
        std::this_thread::sleep_for(20ms);
        const bool overran = peer->xruns() > xrunsBefore;
        if (!peer->waitFor(Bytes(stoptime.begin(), stoptime.end()), 2s))
            (overran ? lostInOverrun : lost).push_back(i);
        // Sends from another thread while the connection closes are dropped, never a crash.
        std::atomic<bool> closed{false};
        std::thread racer([&, out = c.midiout, destination = c.dest] {
            for (; !closed; std::this_thread::sleep_for(1ms))
                midi.send(out, destination, platform::makeMidiPacketList(kMmcStop));
        });
        std::this_thread::sleep_for(1ms);
        c.closeMidi();
        closed = true;
        racer.join();
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " first messages lost, the first at " << lost[0];
    EXPECT_LE(lostInOverrun.size(), 10u) << "JACK overran too often to tell";
    EXPECT_EQ(midi.overflows(), 0);
    const std::size_t received = peer->received().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(peer->received().size(), received) << "nothing arrives once the ports are gone";
    // The program's ports outlive the connection, but leave the device unconnected.
    const auto closed = std::chrono::steady_clock::now();
    while (!peer->disconnected() && std::chrono::steady_clock::now() - closed < 2s)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(peer->disconnected());
}

TEST(LinkOverJack, ADeviceOrServerKilledAndBackIsAskedAndSensedAgainEveryTime) {
    // A server of its own, killed twice and stopped in order at the end.
    JackServer server(JackServer::runName("killed"), false);
    ASSERT_TRUE(server.available()) << server.why();
    std::vector<std::string> reported;
    JackMidiSystem::Options options;
    options.serverName = server.name();
    options.report = [&reported](std::string_view line) { reported.emplace_back(line); };
    LinkedApp link(options);
    std::unique_ptr<ChildProcess> peer;
    std::size_t outages = 0;
    int excused = 0, inTime = 0;
    // Rounds 1 to 6 kill the device, 7 and 8 the server.
    for (int round = 0; round <= 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        peer.reset();
        if (round > 6) {
            server.kill();
            // The server gone: the interface is not found, and that is said once, not at
            // every scan.
            ++outages;
            ASSERT_TRUE(link.pumpUntil(
                [&] { return link.status() == "  not found" && reported.size() == outages; }, 5s));
            EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
            link.pumpUntil([&] { return reported.size() > outages; }, 2500ms);
            ASSERT_TRUE(server.start());
        }
        // Back well before the next scan, or within ten seconds of the server.
        const auto back = std::chrono::steady_clock::now();
        peer = std::make_unique<ChildProcess>(
            std::vector<std::string>{GLIMMARK_TEST_JACK_PEER_PATH, server.name()},
            ::testing::TempDir() + "glimmark-jack-peer-" + std::to_string(::getpid()) + ".txt");
        ASSERT_TRUE(link.pumpUntil([&] { return !peer->lines().empty(); }));
        // The scan may not see the device gone; a loaded machine now and then takes longer.
        inTime += std::chrono::steady_clock::now() - back < 1500ms ? 1 : 0;
        std::vector<Bytes> events;
        int xruns = 0;
        ASSERT_TRUE(link.pumpUntil([&] {
            events.clear();
            xruns = 0;
            for (const std::string& line : peer->lines())
                line == "xrun" ? void(++xruns) : events.push_back(fromHex(line));
            events.erase(events.begin());  // "ready"
            return link.connected() && !events.empty() && events.back() == kStatusSense;
        })) << events.size()
            << " messages; status line " << link.status();
        EXPECT_LT(std::chrono::steady_clock::now() - back, 10s);
        // The logging-state question, then the sense, nothing else. jackd --no-realtime may
        // lose or repeat an event in a cycle it overran: a few such rounds are excused.
        EXPECT_TRUE(events == std::vector<Bytes>({kLoggingRead, kStatusSense}) ||
                    (xruns > 0 && ++excused <= 3))
            << events.size() << " messages, " << xruns << " overruns";
        EXPECT_EQ(reported.size(), outages);
    }
    EXPECT_GE(inTime, 6) << "the device was too seldom back before the next scan to tell";
}

// A server that hangs (stopped, not gone) never holds the window: not while a connection is
// open, nor while the program opens its JACK client; once it goes on, the interface is found
// and connected again.
TEST(LinkOverJack, AHungServerNeverHoldsTheWindowAndIsFollowedWhenItGoesOn) {
    JackServer server(JackServer::runName("hung"), false);
    ASSERT_TRUE(server.available()) << server.why();
    for (const bool connectedFirst : {true, false}) {
        SCOPED_TRACE(connectedFirst ? "hung while connected" : "hung before the first scan");
        std::unique_ptr<ChildProcess> peer;
        if (connectedFirst)
            peer = std::make_unique<ChildProcess>(
                std::vector<std::string>{GLIMMARK_TEST_JACK_PEER_PATH, server.name()});
        JackMidiSystem::Options options;
        options.serverName = server.name();
        options.report = [](std::string_view) {};
        std::optional<LinkedApp> link;
        if (!connectedFirst)
            server.halt(true);
        // Goes on by itself after 8 s, so that a window held in libjack ends the case too.
        std::thread resume([&] {
            std::this_thread::sleep_for(8s);
            server.halt(false);
        });
        // How long in all the window went more than 100 ms without looking at its events.
        auto held = std::chrono::steady_clock::duration{};
        auto last = std::chrono::steady_clock::now();
        const auto looked = [&] {
            const auto now = std::chrono::steady_clock::now();
            held += now - last > 100ms ? now - last : held.zero();
            last = now;
            return false;
        };
        link.emplace(options);
        looked();
        if (connectedFirst) {
            ASSERT_TRUE(link->pumpUntil([&] { return looked() || link->connected(); }));
            held = {};
            server.halt(true);
        }
        // Several scans and sense timeouts while it hangs: held once at most, for a second.
        link->pumpUntil(looked, 7s);
        EXPECT_LT(held, 1500ms);
        resume.join();
        if (!connectedFirst)
            peer = std::make_unique<ChildProcess>(
                std::vector<std::string>{GLIMMARK_TEST_JACK_PEER_PATH, server.name()});
        EXPECT_TRUE(link->pumpUntil([&] { return link->connected(); }, 15s)) << link->status();
    }
}

// A log start cut off and then running timecode in quarter frames show the time; a log start
// of 70,000 bytes in 4 KB events, then its stop, make one record.
TEST(LinkOverJack, LogsSurviveSystemExclusiveThatNeverEndsOrRunsLong) {
    ASSERT_TRUE(JackServer::ensure().available());
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    LinkedApp link;
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); }));
    // Sends the events (in hex; the first filled up to `padTo` bytes before its end) and tells
    // whether JACK overran a cycle that carried them: a loss then may be JACK's doing, any
    // other is ours.
    const auto sendOverran = [&](std::vector<const char*> events, std::size_t padTo = 0) {
        const int xruns = peer->xruns();
        for (const char* hex : events) {
            Bytes event = fromHex(hex);
            if (hex == events[0] && padTo > event.size())
                event.insert(event.end() - 1, padTo - event.size(), 0x55);
            peer->send(event, 4096);
        }
        peer->flush();
        return peer->xruns() > xruns;
    };
    bool overran = sendOverran({"F0 2C 4D 67 01 0A", "F1 04", "F1 10", "F1 23", "F1 30", "F1 42",
                                "F1 50", "F1 61", "F1 72"});
    if (!link.pumpUntil([&] { return link.status() == "  01:02:03:04"; }, 5s)) {
        EXPECT_TRUE(overran) << link.status() << ", and JACK did not overrun";
    }
    EXPECT_EQ(link.c.logStartArray.recordCount(), 0);
    overran =
        sendOverran({"F0 2C 4D 67 01 0A 00 00 00 00 F7", "F0 2C 4D 67 02 0A 00 05 00 F7"}, 70'000);
    const auto logged = [&] {
        return link.app.field(1, kFieldStart) + "-" + link.app.field(1, kFieldStop);
    };
    if (!link.pumpUntil([&] { return logged() == "10:00:00:00-10:00:05:00"; }, 5s)) {
        EXPECT_TRUE(overran) << logged() << ", and JACK did not overrun";
    }
    EXPECT_EQ(link.midi.overflows(), 0);
}

TEST(LinkOverJack, TheVirtualInterfaceProgramIsSensedLogsAndFollowsTheMachineCommands) {
    ASSERT_TRUE(JackServer::ensure().available());
    const ChildProcess sim({GLIMMARK_VEXA_SIM_PATH, "--log-every", "5", "--log-length", "2"});
    LinkedApp link;
    auto& c = link.c;
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();

    // Logging on: the interface's logs become records.
    link.app.windows.cmbLogSelectVal.selected = 1;
    c.cmbLogSelect();
    ASSERT_TRUE(link.pumpUntil([&] {
        return c.logStartArray.recordCount() >= 3 && !link.app.field(3, kFieldStop).empty();
    }));
    link.app.windows.cmbLogSelectVal.selected = 0;
    c.cmbLogSelect();
    EXPECT_GT(link.app.field(3, kFieldStop), link.app.field(3, kFieldStart));

    // The machine stopped and located: the interface's timecode stands there.
    c.messages.patchLocate("11:02:03:04", c.mmcFpsAddWert);
    c.send(c.messages.sysexMmcStop);
    c.send(c.messages.sysexMmcLocate);
    ASSERT_TRUE(link.pumpUntil([&] { return link.status() == "  11:02:03:04"; })) << link.status();
}

// The controller over the program's own choice of MIDI system (JACK, else the ALSA
// sequencer), with no environment variable and no option: JACK on the given server.
struct ChosenLink {
    explicit ChosenLink(const std::string& server = {})
        : jackMidi(jackOptions(server)),
          alsaMidi(platform::midi::MidiApi::alsa, [](std::string_view) {}),
          midi({{"JACK", &jackMidi, [this] { return jackMidi.serverAnswers(); }},
                {"ALSA", &alsaMidi, {}}},
               [this](platform::MidiSystem& system, platform::MidiRef destination) {
                   return c.isInterface(system, destination);
               }) {
        c.awakeFromNib();
    }
    ~ChosenLink() { c.closeMidi(); }
    static JackMidiSystem::Options jackOptions(const std::string& server) {
        JackMidiSystem::Options o;
        o.serverName = server;
        o.report = [](std::string_view) {};
        return o;
    }
    bool connected() const { return c.midiOpenFlag == 1 && app.windows.btnEditPlayVal.enabled; }
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return fake::pumpUntil(app, done, limit);
    }
    const std::string& status() const { return app.windows.statusText.value; }
    // Waits until `more` further takes of the interface are complete records.
    bool logged(int more) {
        const int wanted = c.logStartArray.recordCount() + more;
        return pumpUntil([&] {
            return c.logStartArray.recordCount() >= wanted &&
                   !app.field(wanted, kFieldStop).empty();
        });
    }

    JackMidiSystem jackMidi;
    platform::midi::RtMidiSystem alsaMidi;
    platform::SwitchingMidiSystem midi;
    fake::App app{midi};
    vexaLogging3AppDelegate& c = *app.app;
};

// The virtual interface on `server` (empty: the one JACK programs find by themselves), logging
// off as one that just got power.
std::unique_ptr<ChildProcess> startSim(const std::string& server) {
    const char* before = std::getenv("JACK_DEFAULT_SERVER");
    const std::string shared = before ? before : "";
    if (!server.empty())
        ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    const std::vector<std::string> args{GLIMMARK_VEXA_SIM_PATH, "--log-every", "5", "--log-length",
                                        "2"};
    auto sim = std::make_unique<ChildProcess>(args);
    if (before != nullptr)
        ::setenv("JACK_DEFAULT_SERVER", shared.c_str(), 1);
    else
        ::unsetenv("JACK_DEFAULT_SERVER");
    return sim;
}

// Found on the server that runs (jackd, or PipeWire's JACK under pw-jack), read, sensed,
// logging on, takes logged, unplugged and plugged again, sensed again and logging on.
TEST(LinkOverJack, ChosenByItselfTheInterfaceIsFoundLogsAndIsFoundAgainWhenReplugged) {
    ASSERT_TRUE(JackServer::ensure().available());
    ChosenLink link;
    auto sim = startSim({});
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();
    EXPECT_EQ(link.midi.activeName(), "JACK");
    link.app.windows.cmbLogSelectVal.selected = 1;
    link.c.cmbLogSelect();
    ASSERT_TRUE(link.logged(2)) << link.c.logStartArray.recordCount() << " records";

    // Unplugged: not found; back, found again and set logging again as the user chose.
    sim.reset();
    ASSERT_TRUE(link.pumpUntil([&] { return link.status() == "  not found"; }, 6s))
        << link.status();
    sim = startSim({});
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();
    ASSERT_TRUE(link.pumpUntil([&] { return link.app.windows.cmbLogSelectVal.selected == 1; }));
    EXPECT_TRUE(link.logged(1));
}

// A server stopped and started again is followed without a restart of the program.
TEST(LinkOverJack, ChosenByItselfTheInterfaceIsFollowedThroughAServerRestart) {
    // A server of its own, stopped in order at the end.
    JackServer server(JackServer::runName("killed"), false);
    ASSERT_TRUE(server.available()) << server.why();
    ChosenLink link(server.name());
    auto sim = startSim(server.name());
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();
    EXPECT_EQ(link.midi.activeName(), "JACK");
    link.app.windows.cmbLogSelectVal.selected = 1;
    link.c.cmbLogSelect();
    ASSERT_TRUE(link.logged(2));

    // The server gone: not found, looked for on the ALSA sequencer.
    server.kill();
    sim.reset();
    ASSERT_TRUE(link.pumpUntil([&] { return link.status() == "  not found"; }, 6s))
        << link.status();
    EXPECT_EQ(link.midi.activeName(), "ALSA");
    EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);

    // Back: found on JACK again, asked for its logging state and sensed; the logging mode
    // the user chose is set again, and its takes are logged on.
    ASSERT_TRUE(server.start());
    sim = startSim(server.name());
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();
    EXPECT_EQ(link.midi.activeName(), "JACK");
    ASSERT_TRUE(link.pumpUntil([&] { return link.app.windows.cmbLogSelectVal.selected == 1; }));
    EXPECT_TRUE(link.logged(1));
}

}  // namespace
}  // namespace jacktest
