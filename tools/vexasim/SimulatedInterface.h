#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "vexasim/Timecode.h"

namespace vexasim {

// The vexa interface's side of the MIDI link, without ports and without a clock: Glimmark's
// commands go in through receive(), and everything the interface says comes out through the
// output callback as packet lists, in the order it happens. Time moves only when the owner
// advances it, so a test or a driver decides exactly when each quarter frame leaves.
//
// Logs: with logging on, a log starts on running timecode every so many frames and stops a
// fixed number of frames later; halting or locating the timecode ends it early, switching
// logging off
// does not (the log already started runs its length).
// A manual start opens a log at the current timecode whatever the mode and whether the
// timecode runs; only a manual stop (or a later log start, which stops it first) ends it. A
// manual stop with no log open sends nothing.
// Stop and comparison times: each fires once, on the frame at which running timecode moves
// from before the time to at or past it. A locate that jumps over it does not fire it. At a
// stop time the machine halts there; an MMC stop voids both times.
// The machine: MMC locate moves the timecode, play runs it, stop halts it. Whenever it halts
// a full-frame message tells where it stands.
// As a recorder (setRecordAfterPlayback), the machine's own running is recording, and what the
// program asks for by MMC locate or play is a playback of what was recorded: no automatic log
// starts while it plays. Once it halts, the machine waits a while, then goes back to where its
// recording had come to and records on.
class SimulatedInterface {
public:
    using Output = std::function<void(std::span<const std::uint8_t> packetList)>;

    // `version` is the two ASCII digits of the status reply, major then minor ("21" is 2.1).
    // Missing characters are sent as '0'.
    explicit SimulatedInterface(Output output, std::string_view version = "21");

    // Bytes from Glimmark as a packet list. System Exclusive messages may be split across
    // packets and across calls. Called from inside the output callback, the bytes wait until
    // the interface has finished the step it is in (at most the current quarter frame), as
    // they would on a real link.
    void receive(std::span<const std::uint8_t> packetList);

    // Moves time on. While the timecode runs, each quarter of a frame sends one quarter frame
    // and each new frame may start or stop a log or reach a stop or comparison time. While it
    // is halted nothing is sent and the timecode stays where it is; a recorder waiting to
    // record again counts the time down.
    void advanceQuarterFrames(int count);
    void advanceFrames(int count);

    // The machine's transport, as the MMC commands drive it; also usable directly.
    void play();
    void stop();
    // Ignored when `target` is not a timecode of the current rate. A drop-frame label that
    // does not exist moves on to the first real frame of its minute.
    void locate(const Timecode& target);

    // The rate of the timecode the machine delivers. Sets the default logging timing too
    // unless setAutoLogTiming() has fixed it.
    void setFrameRate(FrameRate rate);
    // Automatic logging starts a log every `everyFrames` frames of running timecode and stops
    // it `lengthFrames` later (at most `everyFrames`). Values below 1 are taken as 1.
    void setAutoLogTiming(int everyFrames, int lengthFrames);
    // Makes the machine a recorder that records again `afterFrames` frames of time after each
    // halt; 0 (the default) leaves it halted until told otherwise.
    void setRecordAfterPlayback(int afterFrames);
    // The same in seconds at the rate the machine runs at now, as a command line gives it.
    void setRecordAfterPlaybackSeconds(int seconds);
    // As the program's "logging on" message does.
    void switchLoggingOn();

    FrameRate frameRate() const { return m_rate; }
    Timecode timecode() const { return m_timecode; }
    bool playing() const { return m_playing; }
    // Halted, and a recorder that will record again once its wait is over.
    bool waitingToRecord() const { return !m_playing && m_recordInQuarters > 0; }
    bool loggingOn() const { return m_loggingOn; }
    bool failedFrameLogging() const { return m_failedFrameLogging; }
    bool logOpen() const { return m_logOpen; }
    int logsStarted() const { return m_logsStarted; }
    int autoLogEveryFrames() const;
    int autoLogLengthFrames() const;
    std::optional<Timecode> stopTime() const { return m_stopTime; }
    std::optional<Timecode> comparisonTime() const { return m_comparisonTime; }

    // Every complete System Exclusive message received, F0 to F7, recognised or not.
    const std::vector<std::vector<std::uint8_t>>& receivedMessages() const { return m_received; }

private:
    // Marks the span of one public operation, so that bytes arriving from inside the output
    // callback wait until the operation is over instead of changing state halfway through it.
    class Busy;

    void takeBytes(std::span<const std::uint8_t> bytes);
    void handleMessage(const std::vector<std::uint8_t>& message);
    void handleOwnCommand(const std::vector<std::uint8_t>& message);
    void handleMachineControl(const std::vector<std::uint8_t>& message);
    void drainPending();

    void quarterFrameTick();
    void stepFrame();
    void halt();
    // A playback the program asked for begins: a recorder keeps where its recording stopped.
    void beginPlayback();
    void recordAgain();
    void setLogging(bool on);
    void startLog(bool automatic);
    void stopLog();
    void maybeStartAutoLog();
    void sendFullFrame();
    void send(std::initializer_list<std::uint8_t> message);
    void send(std::span<const std::uint8_t> message);

    Output m_output;
    std::uint8_t m_versionMajor;
    std::uint8_t m_versionMinor;

    FrameRate m_rate = FrameRate::fps25;
    Timecode m_timecode;
    bool m_playing = false;
    int m_quarter = 0;  // quarter of the current frame that is sent next
    int m_piece = 0;    // quarter-frame piece that is sent next
    Timecode m_groupTimecode;

    bool m_loggingOn = false;
    bool m_failedFrameLogging = false;
    bool m_logOpen = false;
    bool m_logIsAutomatic = false;
    int m_logsStarted = 0;
    int m_autoEvery = 0;  // 0: follow the frame rate
    int m_autoLength = 0;
    int m_autoCountdown = 0;
    int m_autoAge = 0;

    int m_recordAfterFrames = 0;  // 0: not a recorder
    bool m_playingBack = false;
    Timecode m_recordedUpTo;
    int m_recordInQuarters = 0;  // counting down while halted; 0: not waiting

    std::optional<Timecode> m_stopTime;
    std::optional<Timecode> m_comparisonTime;

    bool m_inSysex = false;
    std::vector<std::uint8_t> m_sysex;
    std::vector<std::vector<std::uint8_t>> m_received;

    int m_busyDepth = 0;
    std::deque<std::vector<std::uint8_t>> m_pending;
};

}  // namespace vexasim
