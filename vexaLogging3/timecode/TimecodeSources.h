#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/TimecodeSource.h"
#include "platform/Video.h"
#include "timecode/TimecodeRun.h"

class vexaLogging3AppDelegate;

// The controller's side of a timecode source other than the interface: the running timecode
// it shows, and the takes it makes, by key or by record run. A take made here goes the way an
// interface's log start and stop go, through the same events: numbered, time of day and date,
// the still, the stop pairing, the recovery journal, the live view, Follow. Main thread,
// except the source's callbacks.
class TimecodeSourceLink {
public:
    // The capture window's logging choice, while a source is in use.
    enum Logging { kOff = 0, kRecordRun = 1, kByKey = 2 };

    explicit TimecodeSourceLink(vexaLogging3AppDelegate& controller);
    ~TimecodeSourceLink();
    TimecodeSourceLink(const TimecodeSourceLink&) = delete;
    TimecodeSourceLink& operator=(const TimecodeSourceLink&) = delete;

    // From now on the timecode comes from `source`, which this starts, or from the interface
    // again when it is null. False when the source would not start: the timecode status says
    // why, and the timecode comes from the interface.
    bool use(std::unique_ptr<platform::TimecodeSource> source);
    platform::TimecodeSource* source() const { return m_source.get(); }
    bool inUse() const { return m_source != nullptr; }
    // The logging choice for the source (see Logging); kept while sources change.
    void chooseLogging(int logging);
    int logging() const { return m_logging; }
    // Start Log and Stop Log by key: a take at the frame current when the key went down.
    void keyStart();
    void keyStop();
    // A MIDI note or controller as Start/Stop, for a foot switch or a DAW: the next one pressed
    // after learnKey() is learned, and each press of it then starts a take by key, or stops the
    // one open. `at` is the press on the source's clock (JACK's and the clock source's are both
    // the system's monotonic clock). Releases are passed by.
    void learnKey();
    void keyEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::int64_t at);
    // The learned key, status byte and first data byte as (status << 8 | data1); 0 for none.
    int takeKey() const { return m_takeKey; }
    void setTakeKey(int key) { m_takeKey = key; }
    // What the timecode status shows now, and a line the user can act on put on it.
    std::string statusText() const;
    void showProblem(std::string line);

private:
    void keyStartAt(std::int64_t at);
    void keyStopAt(std::int64_t at);
    void frameArrived(const platform::SourceFrame& frame, platform::LocalTime now,
                      platform::VideoFramePtr picture);
    void look();
    void apply(const timecode::TimecodeRun::Outcome& outcome);
    void startTake(const platform::SourceFrame& frame, platform::LocalTime now,
                   platform::VideoFramePtr picture);
    void stopTake(const platform::SourceFrame& frame);
    void showStatus();
    void showLoggingChoice();

    vexaLogging3AppDelegate& c;
    std::unique_ptr<platform::TimecodeSource> m_source;
    // Counts the sources used: frames a former one left on their way are dropped.
    std::atomic<std::uint64_t> m_generation{0};
    // Frames the source handed over, and those this thread has taken: while some are on their
    // way, a busy main thread does not take its own delay for a lost signal.
    std::atomic<std::uint64_t> m_framesDelivered{0};
    std::uint64_t m_framesTaken = 0;
    timecode::TimecodeRun m_run;
    int m_logging = kRecordRun;
    bool m_keyTakeOpen = false;
    bool m_learning = false;
    int m_takeKey = 0;
    bool m_looking = false;
    // The moment and the picture of the frame a run began with: a record run's take gets them.
    platform::LocalTime m_runMoment;
    platform::VideoFramePtr m_runPicture;
    std::string m_problem;
};
