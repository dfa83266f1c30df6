// The controller's link over JACK against devices that are not this project's code: a plain
// libjack device killed and back, the JACK server killed and restarted, System Exclusive
// messages that never end, run over 64 KB or carry real-time bytes, a flood of player times,
// and the virtual interface program end to end.

#include <gtest/gtest.h>

#include <sstream>

#include "loglist/Timecode.h"
#include "midi/ChildProcess.h"
#include "midi/JackPeer.h"
#include "midi/JackServer.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"
#include "support/RealTimePump.h"

namespace jacktest {
namespace {

using platform::midi::JackMidiSystem;

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

// What the device saw of one handshake: the logging-state question, then the sense, nothing
// else. jackd --no-realtime may lose or repeat an event in a cycle it overran: such a round is
// excused when the device counted an overrun in it, a few times per test at most.
::testing::AssertionResult askedThenSensed(const std::vector<Bytes>& events, int xruns,
                                           int& excused) {
    if (events == std::vector<Bytes>{kLoggingRead, kStatusSense} || (xruns > 0 && ++excused <= 3))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << events.size() << " messages, " << xruns
                                         << " overruns: not the question and then the sense";
}

Bytes fromHex(const std::string& line) {
    Bytes bytes;
    std::istringstream in(line);
    for (unsigned byte = 0; in >> std::hex >> byte;)
        bytes.push_back(static_cast<std::uint8_t>(byte));
    return bytes;
}

TEST(LinkOverJack, ADeviceKilledAndBackWithinAMomentIsAskedAndSensedAgainEveryTime) {
    REQUIRE_JACK_SERVER();
    LinkedApp link;
    std::unique_ptr<ChildProcess> peer;
    int excused = 0;
    for (int round = 0; round <= 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Killed, and back well before the next scan.
        const auto killed = std::chrono::steady_clock::now();
        peer.reset();
        peer =
            std::make_unique<ChildProcess>(std::vector<std::string>{GLIMMARK_TEST_JACK_PEER_PATH});
        ASSERT_EQ(peer->readLine(10s), "ready");
        EXPECT_LT(std::chrono::steady_clock::now() - killed, 1500ms);
        std::vector<Bytes> events;
        int xruns = 0;
        ASSERT_TRUE(link.pumpUntil([&] {
            for (std::string l = peer->readLine(0ms); !l.empty(); l = peer->readLine(0ms))
                l == "xrun" ? void(++xruns) : events.push_back(fromHex(l));
            return link.connected() && !events.empty() && events.back() == kStatusSense;
        })) << events.size()
            << " messages; status line " << link.status();
        EXPECT_TRUE(askedThenSensed(events, xruns, excused));
    }
}

TEST(LinkOverJack, AJackServerKilledAndRestartedIsFoundAgainWithTheDeviceWithinTenSeconds) {
    const auto server = std::make_unique<JackServer>("glimmark-restart-test", false);
    ASSERT_TRUE(server->available()) << server->why();
    std::vector<std::string> reported;
    JackMidiSystem::Options options;
    options.serverName = server->name();
    options.report = [&reported](std::string_view line) { reported.emplace_back(line); };
    LinkedApp link(options);
    int excused = 0;
    for (std::size_t round = 0; round <= 2; ++round) {
        SCOPED_TRACE("restart " + std::to_string(round));
        if (round > 0) {
            server->kill();
            // The server gone: the interface is not found, and that is said once.
            ASSERT_TRUE(link.pumpUntil(
                [&] { return link.status() == "  not found" && reported.size() == round; }, 5s));
            EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
            ASSERT_TRUE(server->start());
        }
        const auto started = std::chrono::steady_clock::now();
        const auto peer = JackPeer::open(server->name());
        ASSERT_TRUE(peer);
        ASSERT_TRUE(link.pumpUntil([&] {
            const std::vector<Bytes> events = peer->received();
            return link.connected() && !events.empty() && events.back() == kStatusSense;
        })) << "status line "
            << link.status();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
        EXPECT_TRUE(askedThenSensed(peer->received(), peer->xruns(), excused));
        EXPECT_EQ(reported.size(), round) << "one line per outage";
    }
}

struct SysexCase {
    const char* name;
    std::vector<Bytes> events;  // each a JACK event of its own, 4 KB at most
    std::string status;         // the status line after them, when it tells
    int records;
    std::string start, stop;  // of the last record
};

Bytes longLogStart() {
    Bytes start = {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00};
    start.resize(70'000, 0x55);
    start.push_back(0xF7);
    return start;
}

TEST(LinkOverJack, LogsAndTimecodeSurviveSystemExclusiveMessagesUnendedOverlongOrInterrupted) {
    REQUIRE_JACK_SERVER();
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    LinkedApp link;
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); }));
    const std::vector<SysexCase> cases = {
        {"a log start cut off, then running timecode in quarter frames",
         {{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A},
          {0xF1, 0x04},
          {0xF1, 0x10},
          {0xF1, 0x23},
          {0xF1, 0x30},
          {0xF1, 0x42},
          {0xF1, 0x50},
          {0xF1, 0x61},
          {0xF1, 0x70}},
         "  01:02:03:04",
         0,
         "",
         ""},
        {"clock and active sensing inside a log start and stop",
         {{0xF0, 0x2C, 0x4D, 0x67, 0xF8, 0x01, 0x0B, 0x00, 0xFE, 0x00, 0x00, 0x00, 0xF7},
          {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x0B, 0xF8, 0x00, 0x01, 0x00, 0xF7}},
         "",
         1,
         "11:00:00:00",
         "11:00:01:00"},
        {"a log start of 70,000 bytes in 4 KB events, then its stop",
         {longLogStart(), {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x0A, 0x00, 0x05, 0x00, 0xF7}},
         "",
         2,
         "10:00:00:00",
         "10:00:05:00"},
    };
    for (const SysexCase& row : cases) {
        SCOPED_TRACE(row.name);
        for (const Bytes& event : row.events) peer->send(event, 4096);
        const auto done = [&] {
            const int n = link.c.logStartArray.recordCount();
            return (row.status.empty() || link.status() == row.status) && n == row.records &&
                   (n == 0 || (link.app.field(n, kFieldStart) == row.start &&
                               link.app.field(n, kFieldStop) == row.stop));
        };
        EXPECT_TRUE(link.pumpUntil(done, 5s))
            << link.c.logStartArray.recordCount() << " records; status line " << link.status();
    }
    EXPECT_EQ(link.midi.overflows(), 0);
}

TEST(LinkOverJack, AFloodOfPlayerTimesLeavesOnlyTheLatestAndDelaysNothingBehindIt) {
    REQUIRE_JACK_SERVER();
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    LinkedApp link;
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); }));
    const std::size_t before = peer->received().size();
    const int xruns = peer->xruns();
    auto& m = link.c.messages;
    for (int i = 0; i < 3000; ++i) {
        m.patchPlayerTime(m.sysexSendStoptime, timecode::format(1, i / 1500, i / 25 % 60, i % 25));
        link.c.send(m.sysexSendStoptime);
    }
    const Bytes latest(m.sysexSendStoptime.begin(), m.sysexSendStoptime.end());
    link.c.send(m.sysexMmcStop);
    const Bytes stop(m.sysexMmcStop.begin(), m.sysexMmcStop.end());
    if (!peer->waitForCount(before + 2, 5s) ||
        !link.pumpUntil([&] { return peer->received().back() == stop; }, 5s)) {
        EXPECT_GT(peer->xruns(), xruns) << "the stop never arrived, and JACK never overran";
        return;
    }
    std::vector<Bytes> got = peer->received();
    got.erase(got.begin(), got.begin() + static_cast<long>(before));
    EXPECT_LE(got.size(), 4u) << "player times that were replaced went out";
    EXPECT_EQ(got[got.size() - 2], latest);
}

TEST(LinkOverJack, TheVirtualInterfaceProgramIsSensedLogsAndObeysTheMachineCommands) {
    REQUIRE_JACK_SERVER();
    auto sim = std::make_unique<ChildProcess>(std::vector<std::string>{
        GLIMMARK_VEXA_SIM_PATH, "--print", "--log-every", "5", "--log-length", "2"});
    LinkedApp link;
    auto& c = link.c;
    ASSERT_TRUE(link.pumpUntil([&] { return link.connected(); })) << link.status();
    ASSERT_TRUE(link.pumpUntil([&] { return link.status().starts_with("  10:00:0"); }))
        << "running timecode never reached the status line: " << link.status();

    // Logging on: the interface's logs become records, numbered, each stopped after it began.
    link.app.windows.cmbLogSelectVal.selected = 1;
    c.cmbLogSelect();
    ASSERT_TRUE(link.pumpUntil([&] {
        return c.logStartArray.recordCount() >= 3 && !link.app.field(3, kFieldStop).empty();
    }));
    link.app.windows.cmbLogSelectVal.selected = 0;
    c.cmbLogSelect();
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(link.app.field(r, kFieldNumber), std::to_string(r));
        EXPECT_GT(link.app.field(r, kFieldStop), link.app.field(r, kFieldStart)) << r;
    }

    // The machine located: the interface's timecode jumps there.
    c.messages.patchLocate("11:02:03:04", c.mmcFpsAddWert);
    c.send(c.messages.sysexMmcStop);
    c.send(c.messages.sysexMmcLocate);
    ASSERT_TRUE(link.pumpUntil([&] { return link.status() == "  11:02:03:04"; })) << link.status();
    std::vector<Bytes> printed;
    for (std::string l = sim->readLine(1s); !l.empty(); l = sim->readLine(100ms))
        printed.push_back(fromHex(l));
    const auto bytes = [](const auto& a) { return Bytes(a.begin(), a.end()); };
    // JACK now and then hands an event over twice; the program never sends one twice in a row.
    printed.erase(std::unique(printed.begin(), printed.end()), printed.end());
    EXPECT_EQ(printed,
              (std::vector<Bytes>{
                  kLoggingRead, kStatusSense, bytes(c.messages.sysexLogAktivOn),
                  bytes(c.messages.sysexLogFailedFrameOff), bytes(c.messages.sysexLogAktivOff),
                  bytes(c.messages.sysexLogFailedFrameOff), bytes(c.messages.sysexMmcStop),
                  bytes(c.messages.sysexMmcLocate)}));

    // Unplugged: the next scan notices, closes and says so.
    sim.reset();
    EXPECT_TRUE(link.pumpUntil([&] { return link.status() == "  not found"; }, 5s));
    EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
    EXPECT_EQ(c.midiOpenFlag, 0);
}

}  // namespace
}  // namespace jacktest
