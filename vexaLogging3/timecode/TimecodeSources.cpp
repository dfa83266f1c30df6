// Takes from a timecode source other than the interface, made into the interface's own log
// start and stop events so that they become the same records by the same path.

#include "timecode/TimecodeSources.h"

#include <array>
#include <chrono>

#include "device/VexaProtocol.h"
#include "timecode/SourceChoice.h"
#include "vexaLogging3AppDelegate.h"

namespace {

// How often a source's silence is looked for: a record run's stop is found within this of
// the signal counting as lost.
constexpr std::chrono::milliseconds kLookInterval{20};

// The rate code the interface gives a log start, as MIDI Time Code numbers the rates.
std::uint8_t rateCode(const platform::SourceFrame& f) {
    if (f.dropFrame)
        return vexa::kDropFrameRate;
    return f.framesPerSecond == 24 ? 0 : f.framesPerSecond == 25 ? 1 : 3;
}

std::array<std::uint8_t, 10> eventMessage(std::uint8_t event, const platform::SourceFrame& f) {
    return {0xF0,
            vexa::kManufacturer,
            vexa::kDevice,
            vexa::kDeviceEvent,
            event,
            static_cast<std::uint8_t>(f.hours),
            static_cast<std::uint8_t>(f.minutes),
            static_cast<std::uint8_t>(f.seconds),
            static_cast<std::uint8_t>(f.frames),
            event == vexa::kLogStart ? rateCode(f) : std::uint8_t{0xF7}};
}

}  // namespace

vexaLogging3AppDelegate::TimecodeSourceLinkPtr vexaLogging3AppDelegate::makeTimecodeSources(
    vexaLogging3AppDelegate& controller) {
    return {new TimecodeSourceLink(controller), [](TimecodeSourceLink* link) { delete link; }};
}

TimecodeSourceLink::TimecodeSourceLink(vexaLogging3AppDelegate& controller) : c(controller) {
    m_run.setMakesTakes(m_logging == kRecordRun);
}

TimecodeSourceLink::~TimecodeSourceLink() {
    if (m_source)
        m_source->stop();
}

bool TimecodeSourceLink::use(std::unique_ptr<platform::TimecodeSource> source) {
    const bool wasInUse = m_source != nullptr;
    if (wasInUse) {
        m_source->stop();
        m_source.reset();
    }
    ++m_generation;
    m_run = timecode::TimecodeRun();
    m_run.setMakesTakes(m_logging == kRecordRun);
    m_keyTakeOpen = false;
    m_problem.clear();
    c.m_timecodeFromSource = false;
    m_framesDelivered = 0;
    m_framesTaken = 0;
    if (!source) {
        // Back to the interface: its logging choice as it last was.
        if (!wasInUse)
            return true;
        c.outlets.timecodeStatus->setText("");
        c.outlets.cmbLogSelectVal->removeAllItems();
        for (const char* item : {"Logging off", "Automatic logging", "Manual logging"})
            c.outlets.cmbLogSelectVal->addItem(item);
        c.outlets.cmbLogSelectVal->selectItem(c.m_chosenLoggingMode < 0 ? 0
                                                                        : c.m_chosenLoggingMode);
        c.outlets.cmbLogSelectVal->setEnabled(c.reportedLoggingState >= 0);
        c.outlets.btnLogManualVal->setEnabled(false);
        c.outlets.btnLogManualStopVal->setEnabled(false);
        return true;
    }
    const std::uint64_t generation = m_generation.load();
    platform::TimecodeSource::Callbacks callbacks;
    callbacks.frame = [this, generation](const platform::SourceFrame& f) {
        // The moment and the picture of the frame's arrival, as the interface's log start
        // takes them on arrival; the running timecode goes the interface's way.
        c.handOverRunningTimecode(f.hours, f.minutes, f.seconds, f.frames, -1, true);
        ++m_framesDelivered;
        c.m_services.mainThread.post(
            [this, generation, f, now = c.m_services.clock.now(), picture = c.latestFrame()] {
                if (generation == m_generation.load())
                    frameArrived(f, now, picture);
            });
    };
    callbacks.problem = [this, generation](std::string_view line) {
        c.m_services.mainThread.post([this, generation, line = std::string(line)] {
            if (generation == m_generation.load())
                showProblem(line);
        });
    };
    std::string why;
    const std::string name = source->name();
    if (!source->start(std::move(callbacks), why)) {
        ++m_generation;
        c.outlets.timecodeStatus->setText(name + ": " + why);
        return false;
    }
    m_source = std::move(source);
    c.m_timecodeFromSource = true;
    if (!m_looking) {
        m_looking = true;
        c.m_services.timers.startRepeating(kLookInterval, [this] { look(); });
    }
    showLoggingChoice();
    showStatus();
    return true;
}

void TimecodeSourceLink::showLoggingChoice() {
    platform::ComboBox& combo = *c.outlets.cmbLogSelectVal;
    combo.removeAllItems();
    for (const char* item : {"Logging off", "Record run", "By key"}) combo.addItem(item);
    combo.selectItem(m_logging);
    combo.setEnabled(true);
    c.outlets.btnLogManualVal->setEnabled(m_logging == kByKey);
    c.outlets.btnLogManualStopVal->setEnabled(m_logging == kByKey && m_keyTakeOpen);
}

void TimecodeSourceLink::chooseLogging(int logging) {
    if (logging < kOff || logging > kByKey)
        return;
    m_logging = logging;
    // A take open by key stays open for its Stop Log; one a run opened is left as it is.
    m_run.setMakesTakes(logging == kRecordRun);
    if (m_source)
        showLoggingChoice();
}

void TimecodeSourceLink::keyStart() {
    if (m_source)
        keyStartAt(m_source->now());
}

void TimecodeSourceLink::keyStop() {
    if (m_source)
        keyStopAt(m_source->now());
}

void TimecodeSourceLink::keyStartAt(std::int64_t at) {
    const auto frame = m_run.frameAt(at);
    if (!frame) {
        showProblem("No timecode: Start Log logged nothing");
        return;
    }
    m_keyTakeOpen = true;
    c.outlets.btnLogManualStopVal->setEnabled(true);
    startTake(*frame, c.m_services.clock.now(), c.latestFrame());
}

void TimecodeSourceLink::keyStopAt(std::int64_t at) {
    const auto frame = m_run.frameAt(at);
    if (!frame) {
        showProblem("No timecode: the take stays open");
        return;
    }
    m_keyTakeOpen = false;
    c.outlets.btnLogManualStopVal->setEnabled(false);
    stopTake(*frame);
}

void TimecodeSourceLink::learnKey() {
    m_learning = true;
    showProblem("Press the MIDI note or controller for Start/Stop");
}

void TimecodeSourceLink::keyEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  std::int64_t at) {
    const int kind = status & 0xF0;
    // A note's press has a velocity; a controller's (a pedal) goes to 64 or above.
    if (!(kind == 0x90 && data2 > 0) && !(kind == 0xB0 && data2 >= 64))
        return;
    const int key = status << 8 | data1;
    if (m_learning) {
        m_learning = false;
        m_takeKey = key;
        showProblem(std::string(kind == 0x90 ? "Note " : "Controller ") + std::to_string(data1) +
                    " on channel " + std::to_string((status & 0x0F) + 1) + " is Start/Stop");
        return;
    }
    if (key != m_takeKey || !m_source || m_logging != kByKey)
        return;
    if (m_keyTakeOpen)
        keyStopAt(at);
    else
        keyStartAt(at);
}

void TimecodeSourceLink::frameArrived(const platform::SourceFrame& frame, platform::LocalTime now,
                                      platform::VideoFramePtr picture) {
    ++m_framesTaken;
    const timecode::TimecodeRun::Outcome outcome = m_run.frame(frame);
    if (outcome.beginsRun) {
        m_runMoment = now;
        m_runPicture = std::move(picture);
    }
    apply(outcome);
    showStatus();
}

void TimecodeSourceLink::look() {
    if (!m_source || m_framesTaken < m_framesDelivered.load())
        return;
    const bool hadSignal = m_run.signalPresent();
    apply(m_run.look(m_source->now()));
    if (hadSignal != m_run.signalPresent())
        showStatus();
}

void TimecodeSourceLink::apply(const timecode::TimecodeRun::Outcome& outcome) {
    if (outcome.stop)
        stopTake(*outcome.stop);
    if (outcome.start)
        startTake(*outcome.start, m_runMoment, m_runPicture);
    // Used, or its run over: the still goes. A jump or a new rate ends one run and begins
    // the next in the same frame, whose still is the new run's own.
    if (outcome.start || (outcome.stop && !outcome.beginsRun))
        m_runPicture = nullptr;
    if (!outcome.problem.empty())
        showProblem(outcome.problem);
}

void TimecodeSourceLink::startTake(const platform::SourceFrame& frame, platform::LocalTime now,
                                   platform::VideoFramePtr picture) {
    c.handOver([&controller = c, message = eventMessage(vexa::kLogStart, frame), now,
                picture = std::move(picture)] { controller.logStartEvent(message, now, picture); });
}

void TimecodeSourceLink::stopTake(const platform::SourceFrame& frame) {
    c.handOver([&controller = c, message = eventMessage(vexa::kLogStop, frame)] {
        controller.logStopEvent(message);
    });
}

void TimecodeSourceLink::showProblem(std::string line) {
    m_problem = std::move(line);
    showStatus();
}

std::string TimecodeSourceLink::statusText() const {
    if (!m_source)
        return {};
    std::string text = m_source->name();
    if (const auto rate = m_run.rate())
        text += rate->dropFrame ? "  29.97 fps drop-frame"
                                : "  " + std::to_string(rate->framesPerSecond) + " fps";
    else
        text += "  no signal";
    if (!m_problem.empty())
        text += "  " + m_problem;
    return text;
}

void TimecodeSourceLink::showStatus() {
    const std::string text = statusText();
    if (c.outlets.timecodeStatus->text() != text)
        c.outlets.timecodeStatus->setText(text);
}
