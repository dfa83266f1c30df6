// The controller's link over JACK, through the program's own choice of MIDI system, against
// devices not of this project; RtMidi's JACK backend; the virtual interface end to end.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "loglist/Timecode.h"
#include "midi/JackHarness.h"
#include "platform/SwitchingMidiSystem.h"
#include "platform/fake/FakePlatform.h"
#include "platform/midi/JackMidiSystem.h"
#include "platform/midi/RtMidiSystem.h"

// A busy server puts a connection in effect long after jack_connect returns: here, those to
// the device 25 ms after (an idle server's cycle or two would hide a message sent too soon).
// Every other one is answered as made already, as when a patchbay made it first.
extern "C" int jack_connect(jack_client_t* client, const char* from, const char* to) {
    static const auto real =
        reinterpret_cast<decltype(&jack_connect)>(::dlsym(RTLD_NEXT, "jack_connect"));
    static std::atomic<int> calls{0};
    if (!std::string_view(to).starts_with("vexa :"))
        return real(client, from, to);
    std::thread([client, from = std::string(from), to = std::string(to)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        real(client, from.c_str(), to.c_str());
    }).detach();
    return calls++ % 2 == 0 ? 0 : EEXIST;
}

namespace jacktest {
namespace {

const Bytes kMmcStop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};

// The controller over the program's own choice: JACK on `server`, else the ALSA sequencer.
struct Link {
    explicit Link(const std::string& server = {})
        : server(server),
          jack(
              {.serverName = server, .report = [this](auto line) { reported.emplace_back(line); }}),
          alsa(platform::midi::MidiApi::alsa, [](std::string_view) {}),
          midi({{"JACK", &jack, [this] { return jack.serverAnswers(); }}, {"ALSA", &alsa, {}}},
               [this](auto& system, auto to) { return c.isInterface(system, to); }) {
        c.awakeFromNib();
    }
    ~Link() { c.closeMidi(); }
    bool connected() const { return c.midiOpenFlag == 1 && app.windows.btnEditPlayVal.enabled; }
    const std::string& status() const { return app.windows.statusText.value; }
    // Plays the main thread until `done`, scanning every 200 ms rather than every two seconds.
    bool until(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
        for (const auto end = Clock::now() + limit; Clock::now() < end; c.timer2Callback())
            if (fake::pumpUntil(app, done, 200ms))
                return true;
        return done();
    }
    // The number of the record `more` takes on once it is complete, or 0. A stop JACK lost in
    // an overrun leaves its take open: a later complete take stands for it then.
    int logged(int more) {
        const int wanted = c.logStartArray.recordCount() + more;
        const Overruns overruns(server);
        int found = 0;
        until([&] {
            for (int r = wanted; r <= c.logStartArray.recordCount() && !found; ++r)
                if (!app.field(r, kFieldStop).empty() && (r == wanted || overruns.count() > 0))
                    found = r;
            return found > 0;
        });
        return found;
    }

    const std::string server;
    std::vector<std::string> reported;
    platform::midi::JackMidiSystem jack;
    platform::midi::RtMidiSystem alsa;
    platform::SwitchingMidiSystem midi;
    fake::App app{midi};
    vexaLogging3AppDelegate& c = *app.app;
};

TEST(LinkOverJack, EachOfTwoHundredConnectionsCarriesItsFirstMessageAndClosesUnderRacingSends) {
    ASSERT_TRUE(JackServer::ensure().available());
    Link link;
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    const Overruns overruns(JackServer::ensure().name());
    vexaLogging3AppDelegate& c = link.c;
    // A loss in cycles JACK overran may be JACK's; any other is ours.
    std::vector<int> lost, lostInOverrun;
    for (int i = 0; i < 200; ++i) {
        const int xrunsBefore = overruns.count();
        // Opened as a scan that finds the device opens it.
        c.devicenr = -1;
        for (int d = 0; d < link.midi.numberOfDestinations(); ++d)
            c.devicenr = link.midi.modelName(link.midi.destination(d)) == "vexa " ? d : c.devicenr;
        // One JACK did not put in effect in time while it overran is tried again, as a scan would.
        int opened = c.openMidi();
        for (int again = 0; opened != 0 && overruns.count() > xrunsBefore && again < 3; ++again)
            opened = c.openMidi();
        ASSERT_EQ(opened, 0) << "connect " << i;
        // Reported made only once in effect, which the device sees too (a moment later, maybe).
        ASSERT_TRUE(eventually([&] { return peer->connectedPorts() == 2; })) << "connect " << i;
        EXPECT_TRUE(i > 0 || peer->heardFrom().starts_with("Glimmark:")) << peer->heardFrom();
        // The first message of each connection, told apart by the time it carries.
        auto& stoptime = c.messages.sysexSendStoptime;
        c.messages.patchPlayerTime(stoptime, timecode::format(0, 0, i / 25, i % 25));
        c.send(stoptime);
        const Bytes first(stoptime.begin(), stoptime.end());
        const auto arrived = [&] { return peer->heard(first); };
        const bool soon = eventually(arrived, 100ms);
        const bool overran = overruns.count() > xrunsBefore;
        if (!soon && !eventually(arrived, 2s))
            (overran ? lostInOverrun : lost).push_back(i);
        // Sends racing the close are dropped, never a crash; the racer stops at the loop's end.
        std::jthread racer([&, out = c.midiout, destination = c.dest](std::stop_token closed) {
            for (; !closed.stop_requested(); std::this_thread::sleep_for(1ms))
                link.midi.send(out, destination, platform::makeMidiPacketList(kMmcStop));
        });
        std::this_thread::sleep_for(1ms);
        c.closeMidi();
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " first messages lost, the first at " << lost[0];
    EXPECT_LE(lostInOverrun.size(), 10u) << "JACK overran too often to tell";
    EXPECT_EQ(link.jack.overflows(), 0);
    const std::size_t received = peer->received().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(peer->received().size(), received) << "nothing arrives once the ports are gone";
    // The program's ports outlive the connection, but leave the device unconnected.
    EXPECT_TRUE(eventually([&] { return peer->connectedPorts() == 0; }));
}

// A device gone and back between two scans has ports of the same names, never connected; a
// killed server is reported once per outage, not at every scan.
TEST(LinkOverJack, ADeviceOrServerGoneAndBackIsAskedAndSensedAgainEveryTime) {
    JackServer server(JackServer::runName("killed"), false);
    ASSERT_TRUE(server.available()) << server.why();
    Link link(server.name());
    std::unique_ptr<JackPeer> peer;
    std::unique_ptr<Overruns> overruns;
    int excused = 0;
    for (const std::string outage : {"none yet", "device", "device", "server"}) {
        SCOPED_TRACE(outage);
        peer.reset();
        overruns.reset();
        if (outage == "server") {
            server.kill();
            ASSERT_TRUE(link.until([&] { return link.status() == "  not found"; }));
            for (int scan = 0; scan < 3; ++scan) link.c.timer2Callback();
            EXPECT_EQ(link.reported.size(), 1u);
            EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
            ASSERT_TRUE(server.start());
        }
        peer = JackPeer::open(server.name(), 5s);
        ASSERT_TRUE(peer);
        overruns = std::make_unique<Overruns>(server.name());
        ASSERT_TRUE(link.until([&] {
            const std::vector<Bytes> events = peer->received();
            return link.connected() && !events.empty() && events.back() == kStatusSense;
        })) << link.status();
        // The logging-state question, then the sense, nothing else; one round of the four may
        // be excused when JACK overran (it may lose or repeat an event then).
        EXPECT_TRUE(peer->received() == std::vector<Bytes>({kLoggingRead, kStatusSense}) ||
                    (overruns->count() > 0 && ++excused <= 1))
            << peer->received().size() << " messages, " << overruns->count() << " overruns";
    }
    EXPECT_EQ(link.reported.size(), 1u);
}

// No server under the name at the start: the user is told once, not at every scan.
TEST(LinkOverJack, NoServerAtTheStartIsToldOnce) {
    Link link(JackServer::runName("never"));
    EXPECT_TRUE(link.until([&] { return !link.reported.empty(); }, 10s));
    for (int scan = 0; scan < 3; ++scan) link.c.timer2Callback();
    ASSERT_EQ(link.reported.size(), 1u);
    EXPECT_TRUE(link.reported[0].starts_with("JACK MIDI: no JACK server is running"))
        << link.reported[0];
}

// A hung server (stopped, not gone) never holds the window, connected or while the program
// opens its client; once it goes on, the interface is connected again.
TEST(LinkOverJack, AHungServerNeverHoldsTheWindowAndIsFollowedWhenItGoesOn) {
    JackServer server(JackServer::runName("hung"), false);
    ASSERT_TRUE(server.available()) << server.why();
    const auto timed = [](const std::function<void()>& call) {
        const auto began = Clock::now();
        call();
        return Clock::now() - began;
    };
    for (const bool connectedFirst : {true, false}) {
        SCOPED_TRACE(connectedFirst ? "hung while connected" : "hung before the first scan");
        std::unique_ptr<JackPeer> peer = connectedFirst ? JackPeer::open(server.name()) : nullptr;
        std::optional<Link> link;
        if (connectedFirst) {
            link.emplace(server.name());
            ASSERT_TRUE(link->until([&] { return link->connected(); })) << link->status();
        }
        server.halt(true);
        // Goes on by itself after 4 s, so that a window held in libjack ends the case too.
        std::jthread resume([&](std::stop_token done) {
            eventually([&] { return done.stop_requested(); }, 4s, 10ms);
            server.halt(false);
        });
        // Its first scan, or three more, and what they set going: held once, for a second.
        auto held = link ? Clock::duration{} : timed([&] { link.emplace(server.name()); });
        for (int scan = 0; scan < 3; ++scan) held += timed([&] { link->c.timer2Callback(); });
        EXPECT_LT(held, 1500ms);
        resume.request_stop();
        resume.join();
        if (!peer)
            peer = JackPeer::open(server.name());
        EXPECT_TRUE(link->until([&] { return link->connected(); })) << link->status();
    }
}

// RtMidi's own backend over JACK (the ALSA sequencer it drives is missing here).
TEST(RtMidiOverJack, TheDeviceIsFoundAskedAndSensedAndSeenGone) {
    ASSERT_TRUE(JackServer::ensure().available());
    auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    platform::midi::RtMidiSystem midi(platform::midi::MidiApi::jack);
    fake::App app(midi);
    vexaLogging3AppDelegate& c = *app.app;
    c.awakeFromNib();
    ASSERT_TRUE(fake::pumpUntil(
        app, [&] { return app.windows.btnEditPlayVal.enabled; }, 10s))
        << app.windows.statusText.value;
    EXPECT_TRUE(midi.portConnected(c.midiout) && midi.portConnected(c.midiin));
    for (const std::string& name : midi.destinationNames())
        EXPECT_FALSE(name.starts_with("TeStInG")) << "its own port listed: " << name;
    peer.reset();
    EXPECT_FALSE(midi.portConnected(c.midiout) || midi.portConnected(c.midiin));
    c.closeMidi();
}

// The virtual interface program, logging off as one just powered: found, logging on, takes
// logged; unplugged, not found; back, its logging mode set again as the user chose.
TEST(LinkOverJack, TheVirtualInterfaceLogsAndIsFoundAgainAfterAnOutageAsTheUserLeftIt) {
    ASSERT_TRUE(JackServer::ensure().available());
    const std::vector<std::string> simulator = {
        GLIMMARK_VEXA_SIM_PATH, "--log-every", "5", "--log-length", "2", "--start", "03:00:00:00"};
    Link link;
    std::optional<ChildProcess> sim(std::in_place, simulator);
    ASSERT_TRUE(link.until([&] { return link.connected(); })) << link.status();
    EXPECT_EQ(link.midi.activeName(), "JACK");
    link.app.windows.cmbLogSelectVal.selected = 1;
    link.c.cmbLogSelect();
    const int take = link.logged(2);
    ASSERT_GT(take, 0) << link.c.logStartArray.recordCount() << " records";
    EXPECT_GT(link.app.field(take, kFieldStop), link.app.field(take, kFieldStart));
    EXPECT_TRUE(link.app.field(take, kFieldStart).starts_with("03:00:")) << "from its --start";

    sim.reset();
    ASSERT_TRUE(link.until([&] { return link.status() == "  not found"; })) << link.status();
    EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
    sim.emplace(simulator);
    ASSERT_TRUE(link.until([&] {
        return link.connected() && link.app.windows.cmbLogSelectVal.selected == 1;
    })) << link.status();
    EXPECT_GT(link.logged(1), 0);
}

}  // namespace
}  // namespace jacktest
