#include "timecode/TimecodeRun.h"

#include <cstdlib>
#include <utility>

namespace timecode {

namespace {

FrameRate rateOf(const platform::SourceFrame& f) {
    return {f.framesPerSecond, f.dropFrame};
}

std::string labelText(const platform::SourceFrame& f) {
    return f.dropFrame ? formatDropFrame(f.hours, f.minutes, f.seconds, f.frames)
                       : format(f.hours, f.minutes, f.seconds, f.frames);
}

std::string rateText(const platform::SourceFrame& f) {
    return f.dropFrame ? std::string("29.97 DF") : std::to_string(f.framesPerSecond);
}

// Whole frames in `micros` at the frame's rate, rounded down (also below zero). Drop-frame
// timecode runs at 30000/1001 frames a second.
std::int64_t framesIn(std::int64_t micros, const platform::SourceFrame& f) {
    const std::int64_t perSecond = f.dropFrame ? 30000 : f.framesPerSecond;
    const std::int64_t unit = f.dropFrame ? 1001 * 1'000'000LL : 1'000'000LL;
    const std::int64_t scaled = micros * perSecond;
    return scaled >= 0 ? scaled / unit : -((-scaled + unit - 1) / unit);
}

}  // namespace

std::int64_t TimecodeRun::number(const platform::SourceFrame& f) {
    if (f.framesPerSecond <= 0)
        return -1;
    return frameOf(format(f.hours, f.minutes, f.seconds, f.frames), rateOf(f)).value_or(-1);
}

std::int64_t TimecodeRun::frameMicros(const platform::SourceFrame& f) {
    return f.dropFrame ? 1'001'000 / 30 : 1'000'000 / f.framesPerSecond;
}

void TimecodeRun::setMakesTakes(bool makesTakes) {
    m_makesTakes = makesTakes;
    // A take a run opened is no longer this reader's to stop.
    if (!makesTakes)
        m_takeOpen = false;
}

std::optional<FrameRate> TimecodeRun::rate() const {
    if (!m_last)
        return std::nullopt;
    return rateOf(*m_last);
}

TimecodeRun::Outcome TimecodeRun::endTake(std::string why) {
    Outcome out;
    if (m_takeOpen)
        out.stop = m_lastRunning;
    m_takeOpen = false;
    out.problem = std::move(why);
    return out;
}

std::optional<std::int64_t> TimecodeRun::stepFrom(const platform::SourceFrame& last,
                                                  const platform::SourceFrame& f) {
    const std::int64_t before = number(last), at = number(f);
    if (before < 0 || at < 0 || rateOf(last) != rateOf(f) || last.reverse != f.reverse)
        return std::nullopt;
    const std::int64_t day = framesPerDay(rateOf(f));
    std::int64_t step = (f.reverse ? before - at : at - before) % day;
    if (step > day / 2)
        step -= day;
    else if (step < -day / 2)
        step += day;
    return step;
}

TimecodeRun::Outcome TimecodeRun::frame(const platform::SourceFrame& f) {
    // A label no timecode has (a frame number past the rate) is a misread: passed by.
    if (number(f) < 0)
        return {};
    if (m_suspect) {
        const platform::SourceFrame suspect = *std::exchange(m_suspect, std::nullopt);
        // Running on from before the odd frame, one frame slot later: that one was a misread.
        const auto step = m_last ? stepFrom(*m_last, f) : std::nullopt;
        if (step && *step >= 1 && *step <= kFramesToLose + 1)
            return accept(f);
        Outcome out = accept(suspect);
        Outcome next = accept(f);
        if (!out.stop)
            out.stop = next.stop;
        if (next.start)
            out.start = next.start;
        if (!next.problem.empty())
            out.problem = next.problem;
        out.beginsRun = out.beginsRun || next.beginsRun;
        return out;
    }
    const auto step = m_last ? stepFrom(*m_last, f) : std::nullopt;
    const bool breaks =
        m_last && (!step ? rateOf(*m_last) != rateOf(f) || m_last->reverse != f.reverse
                         : *step < 0 || *step > kFramesToLose);
    if (breaks) {
        m_suspect = f;
        return {};
    }
    return accept(f);
}

TimecodeRun::Outcome TimecodeRun::accept(const platform::SourceFrame& f) {
    Outcome out;
    const auto step = m_last ? stepFrom(*m_last, f) : std::nullopt;
    // Frames lost on the way (MIDI Time Code spells only every second frame, and a loaded JACK
    // server may drop an event) leave gaps: up to the frames that count as a lost signal, the
    // timecode still runs on.
    const bool runsOn = step && *step >= 1 && *step <= kFramesToLose;
    if (m_last && !runsOn) {
        const platform::SourceFrame& last = *m_last;
        std::string why;
        if (rateOf(last) != rateOf(f))
            why = "Timecode rate changed from " + rateText(last) + " to " + rateText(f);
        else if (!step || *step != 0)
            why = "Timecode jumped from " + labelText(last) + " to " + labelText(f);
        if (!why.empty() && m_takeOpen)
            why += ": take ended at " + labelText(m_lastRunning);
        out = endTake(std::move(why));
    }
    if (runsOn) {
        ++m_runLength;
    } else {
        m_runFirst = f;
        m_runLength = 1;
        out.beginsRun = true;
    }
    m_lastRunning = f;
    if (m_makesTakes && !m_takeOpen && m_runLength >= kFramesToRun) {
        m_takeOpen = true;
        out.start = m_runFirst;
    }
    m_last = f;
    return out;
}

TimecodeRun::Outcome TimecodeRun::look(std::int64_t now) {
    if (!m_last || now - m_last->beganAt <= kFramesToLose * frameMicros(*m_last))
        return {};
    // The timecode stopped: a record run's take ends at its last frame.
    Outcome out = endTake({});
    m_last.reset();
    m_suspect.reset();
    m_runLength = 0;
    return out;
}

std::optional<platform::SourceFrame> TimecodeRun::frameAt(std::int64_t at) const {
    if (!m_last || at - m_last->beganAt > kFramesToLose * frameMicros(*m_last))
        return std::nullopt;
    const std::int64_t newest = number(*m_last);
    if (newest < 0)
        return std::nullopt;
    const std::int64_t steps = framesIn(at - m_last->beganAt, *m_last);
    const FrameRate rate = rateOf(*m_last);
    const std::int64_t day = framesPerDay(rate);
    const std::int64_t n = ((newest + (m_last->reverse ? -steps : steps)) % day + day) % day;
    const std::string label = labelOf(n, rate);
    platform::SourceFrame f = *m_last;
    f.hours = intValueAt(label, 0);
    f.minutes = intValueAt(label, 3);
    f.seconds = intValueAt(label, 6);
    f.frames = intValueAt(label, 9);
    f.beganAt = m_last->beganAt + steps * frameMicros(*m_last);
    return f;
}

}  // namespace timecode
