// The wall-clock driver: quarter frames at the true rate, no drift, no bursts, one lock.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/tools/VexasimLink.h"
#include "vexasim/ClockDriver.h"

namespace vexasim_test {
namespace {

using namespace std::chrono_literals;
using vexasim::ClockDriver;
using vexasim::FrameRate;

int quarterFrames(const std::vector<Bytes>& messages) {
    int n = 0;
    for (const Bytes& m : messages) n += isQuarterFrame(m) ? 1 : 0;
    return n;
}

// A driver on a clock the test moves by hand, its thread not started: each catchUp() is one
// step of the thread.
struct HandClock {
    HandClock() : driver(link.sim, [this] { return now; }) {}

    void playAt(FrameRate rate) {
        link.sim.setFrameRate(rate);
        link.sim.play();
        link.take();
        driver.catchUp();  // starts counting here
    }
    int quartersAfter(ClockDriver::Clock::duration by) {
        now += by;
        driver.catchUp();
        return quarterFrames(link.take());
    }

    ClockDriver::Clock::time_point now{};
    Link link;
    ClockDriver driver;
};

TEST(ClockDriverPace, SendsFourQuarterFramesPerFrameAtEachRate) {
    struct Case {
        FrameRate rate;
        std::chrono::milliseconds after;
        int quarters;
    };
    // 29.97 fps: 1200 quarter frames take 10.01 s, not 10.
    for (const Case c :
         {Case{FrameRate::fps24, 1000ms, 96}, Case{FrameRate::fps25, 1000ms, 100},
          Case{FrameRate::fps30, 1000ms, 120}, Case{FrameRate::fps2997DropFrame, 10009ms, 1199},
          Case{FrameRate::fps2997DropFrame, 10011ms, 1200}}) {
        SCOPED_TRACE(vexasim::framesPerSecond(c.rate));
        HandClock clock;
        clock.playAt(c.rate);
        int quarters = 0;
        for (auto left = c.after; left > 0ms; left -= 20ms)
            quarters += clock.quartersAfter(std::min(left, std::chrono::milliseconds(20ms)));
        EXPECT_EQ(quarters, c.quarters);
    }
}

TEST(ClockDriverPace, ManySmallLateStepsAddUpToTheSameCount) {
    HandClock clock;
    clock.playAt(FrameRate::fps25);
    const vexasim::Timecode start = clock.link.sim.timecode();
    int quarters = 0;
    // Steps of 3 ms never line up with the 10 ms quarter frames; counting per step would
    // lose or gain a little each time.
    for (int i = 0; i < 1000; ++i) quarters += clock.quartersAfter(3ms);
    EXPECT_EQ(quarters, 300);
    EXPECT_EQ(clock.link.sim.timecode(),
              (vexasim::Timecode{start.hours, start.minutes, start.seconds + 3, start.frames}));
}

TEST(ClockDriverPace, AThreadHeldUpForLongStartsAfreshInsteadOfBursting) {
    HandClock clock;
    clock.playAt(FrameRate::fps25);
    EXPECT_EQ(clock.quartersAfter(5s), 0);
    EXPECT_EQ(clock.quartersAfter(100ms), 10);
}

TEST(ClockDriverPace, HaltedTimeIsNotMadeUpWhenTheTimecodeRunsAgain) {
    HandClock clock;
    clock.playAt(FrameRate::fps25);
    EXPECT_EQ(clock.quartersAfter(200ms), 20);
    clock.link.sim.stop();
    EXPECT_EQ(clock.quartersAfter(600ms), 0);
    clock.link.sim.play();
    clock.link.take();
    EXPECT_EQ(clock.quartersAfter(0ms), 0);
    EXPECT_EQ(clock.quartersAfter(200ms), 20);
}

TEST(ClockDriverPace, ARateChangeCountsOnAtTheNewRate) {
    HandClock clock;
    clock.playAt(FrameRate::fps25);
    EXPECT_EQ(clock.quartersAfter(500ms), 50);
    clock.link.sim.setFrameRate(FrameRate::fps30);
    EXPECT_EQ(clock.quartersAfter(0ms), 0);
    EXPECT_EQ(clock.quartersAfter(500ms), 60);
}

TEST(ClockDriverPace, TellsWhenTheNextQuarterFrameIsDue) {
    HandClock clock;
    clock.playAt(FrameRate::fps25);
    clock.now += 25ms;
    EXPECT_EQ(clock.driver.catchUp() - clock.now, 5ms);
}

// ---- The thread ----

TEST(ClockDriverThread, RunsTheTimecodeUntilStoppedAndTakesCommandsFromOtherThreads) {
    std::atomic<int> quarters{0};
    vexasim::SimulatedInterface sim([&](std::span<const std::uint8_t> list) {
        platform::forEachMidiPacket(list, [&](std::span<const std::uint8_t> m) {
            if (m.size() == 2 && m[0] == 0xF1)
                ++quarters;
        });
    });
    ClockDriver driver(sim);
    driver.withInterface([](vexasim::SimulatedInterface& s) { s.play(); });
    driver.start();
    driver.start();
    EXPECT_TRUE(driver.running());

    const Bytes readState = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t)
        senders.emplace_back([&] {
            for (int i = 0; i < 200; ++i) driver.receive(platform::makeMidiPacketList(readState));
        });
    for (std::thread& s : senders) s.join();

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (quarters.load() < 8 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    driver.stop();
    EXPECT_FALSE(driver.running());
    EXPECT_GE(quarters.load(), 8);

    const int atStop = quarters.load();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(quarters.load(), atStop);
    const std::size_t received = driver.withInterface(
        [](vexasim::SimulatedInterface& s) { return s.receivedMessages().size(); });
    EXPECT_EQ(received, 600u);
}

}  // namespace
}  // namespace vexasim_test
