// The controller's link over JACK against a plain libjack device: it comes back after the
// device was killed and restarted, after the JACK server was, and it keeps logging through
// System Exclusive messages that are too long or never end.

#include <gtest/gtest.h>

#include <algorithm>

#include "midi/ChildProcess.h"
#include "midi/JackPeer.h"
#include "midi/JackServer.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"
#include "support/RealTimePump.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using platform::midi::JackMidiSystem;

const std::string kLoggingReadHex = "F0 2C 4D 57 7F F7";
const std::string kStatusSenseHex = "F0 2C 4D 10 F7";
const Bytes kLoggingRead = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};

// Whether `events` is the handshake's two messages, once or, when JACK lost an answer and
// the program asked again at the next scan, several times over.
template <class T>
::testing::AssertionResult handshakes(const std::vector<T>& events, const T& read, const T& sense) {
    const std::vector<T> seen = collapseRepeats(events);
    bool pairs = !seen.empty() && seen.size() % 2 == 0;
    for (std::size_t i = 0; pairs && i < seen.size(); i += 2)
        pairs = seen[i] == read && seen[i + 1] == sense;
    if (pairs)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << seen.size() << " messages, not the question for the "
                                         << "logging state and then the sense";
}

// The controller over the MIDI system on JACK, scanning every two seconds as the program does.
struct LinkedApp {
    explicit LinkedApp(JackMidiSystem::Options options = {}) : midi(std::move(options)) {
        app.app->awakeFromNib();
    }
    ~LinkedApp() { app.app->closeMidi(); }
    bool connected() const {
        return app.app->midiOpenFlag == 1 && app.windows.btnEditPlayVal.enabled;
    }

    JackMidiSystem midi;
    fake::App app{midi};
};

// The device as a process of its own, ready once it said so.
ChildProcess startPeer() {
    ChildProcess peer({GLIMMARK_TEST_JACK_PEER_PATH});
    EXPECT_EQ(peer.readLine(10s), "ready");
    return peer;
}

TEST(LinkOverJack, ADeviceKilledAndBackWithinAMomentIsAskedAndSensedAgainEveryTime) {
    REQUIRE_JACK_SERVER();
    auto peer = std::make_unique<ChildProcess>(startPeer());
    LinkedApp link;
    for (int round = 0; round <= 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round > 0) {
            ASSERT_TRUE(fake::pumpUntil(
                link.app, [&] { return link.connected(); }, 500ms));
            // Killed, and back well within one scan.
            const auto killed = std::chrono::steady_clock::now();
            peer->kill9();
            peer = std::make_unique<ChildProcess>(startPeer());
            // Back before the next scan (a loaded machine may take a while to start it).
            EXPECT_LT(std::chrono::steady_clock::now() - killed, 1500ms);
        }
        // What reaches the device: the logging-state question, then the sense, nothing else.
        std::vector<std::string> lines;
        const bool asked = fake::pumpUntil(
            link.app,
            [&] {
                for (std::string l = peer->readLine(0ms); !l.empty(); l = peer->readLine(0ms))
                    lines.push_back(l);
                return collapseRepeats(lines).size() >= 2 && link.connected();
            },
            10s);
        ASSERT_TRUE(asked) << lines.size() << " lines; status line "
                           << link.app.windows.statusText.value;
        EXPECT_TRUE(handshakes(lines, kLoggingReadHex, kStatusSenseHex));
    }
}

TEST(LinkOverJack, AJackServerKilledAndRestartedIsFoundAgainWithTheDevice) {
    auto server = JackServer::own("glimmark-restart-test");
    if (!server->available())
        GTEST_SKIP() << "needs a JACK server of its own: " << server->why();
    JackPeer::Options peerOptions;
    peerOptions.server = server->name();
    std::string error;
    auto peer = JackPeer::open(peerOptions, &error, 2s);
    ASSERT_TRUE(peer) << error;

    std::vector<std::string> reported;
    JackMidiSystem::Options options;
    options.serverName = server->name();
    options.report = [&reported](std::string_view line) { reported.emplace_back(line); };
    LinkedApp link(options);
    const auto askedAndSensed = [&] {
        return collapseRepeats(peer->received()).size() >= 2 && link.connected();
    };
    ASSERT_TRUE(fake::pumpUntil(link.app, askedAndSensed, 10s));
    EXPECT_TRUE(handshakes(peer->received(), kLoggingRead, kStatusSense));
    EXPECT_TRUE(reported.empty());

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("restart " + std::to_string(round));
        peer.reset();
        server->kill9();
        // The server gone: the interface is not found, and that is said once.
        ASSERT_TRUE(fake::pumpUntil(
            link.app, [&] { return link.app.windows.statusText.value == "  not found"; }, 5s));
        EXPECT_FALSE(link.app.windows.btnEditPlayVal.enabled);
        ASSERT_TRUE(server->start()) << server->why();
        const auto restarted = std::chrono::steady_clock::now();
        peer = JackPeer::open(peerOptions, &error, 2s);
        ASSERT_TRUE(peer) << error;
        ASSERT_TRUE(fake::pumpUntil(link.app, askedAndSensed, 10s))
            << "status line " << link.app.windows.statusText.value;
        EXPECT_LT(std::chrono::steady_clock::now() - restarted, 10s);
        EXPECT_TRUE(handshakes(peer->received(), kLoggingRead, kStatusSense));
        EXPECT_EQ(reported.size(), static_cast<std::size_t>(round + 1)) << "one line per outage";
    }
}

TEST(LinkOverJack, TimecodeAndLogsSurviveAnUnendedAndAnOverlongSystemExclusiveMessage) {
    REQUIRE_JACK_SERVER();
    std::string error;
    auto peer = JackPeer::open({}, &error, 2s);
    ASSERT_TRUE(peer) << error;
    LinkedApp link;
    fake::Windows& w = link.app.windows;
    ASSERT_TRUE(fake::pumpUntil(
        link.app, [&] { return link.connected(); }, 10s));

    // A log start cut off before its end, then running timecode: the quarter frames still
    // make the timecode, each JACK event on its own.
    peer->send({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A});
    for (const std::uint8_t piece : {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x70})
        peer->send({0xF1, piece});
    ASSERT_TRUE(fake::pumpUntil(
        link.app, [&] { return w.statusText.value == "  01:02:03:04"; }, 5s))
        << w.statusText.value;

    // A log start over 65,535 bytes long, in JACK events of 4 KB, and its stop: one record,
    // with the start from the message's head.
    Bytes longStart = {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00};
    longStart.resize(70'000, 0x55);
    longStart.push_back(0xF7);
    peer->send(longStart, 4096);
    peer->send({0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x0A, 0x00, 0x05, 0x00, 0xF7});
    ASSERT_TRUE(fake::pumpUntil(
        link.app, [&] { return !link.app.field(1, kFieldStop).empty(); }, 10s));
    EXPECT_EQ(link.app.app->logStartArray.recordCount(), 1);
    EXPECT_EQ(link.app.field(1, kFieldStart), "10:00:00:00");
    EXPECT_EQ(link.app.field(1, kFieldStop), "10:00:05:00");
    EXPECT_EQ(link.midi.overflows(), 0);
}

}  // namespace
}  // namespace jacktest
