// Turns each complete System Exclusive message from the interface into its effect.

#include <algorithm>
#include <cstdio>
#include <limits>

#include "device/VexaProtocol.h"
#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

namespace {

using namespace vexa;

// The highest byte position each message is read at. A message that ends before it
// (cut short on the wire, or by a status byte in the middle) is ignored: the slot's bytes
// past its end belong to an older message and must not be taken for its fields.
constexpr std::size_t kLastReadStatusReply = 5;
constexpr std::size_t kLastReadLoggingState = 5;
constexpr std::size_t kLastReadLogStart = 9;
constexpr std::size_t kLastReadLogStop = 8;
constexpr std::size_t kLastReadEvent = 4;

}  // namespace

void vexaLogging3AppDelegate::sysexInterpreter() {
    const std::uint8_t* slot = sysexBuffer.data() + kSysexSlotSize * sysexBufferNr;
    std::array<std::uint8_t, 10> B;
    std::copy(slot, slot + B.size(), B.begin());
    // Positions before the closing F7 belong to this message.
    const std::size_t length = m_input.messageLength;
    const auto holds = [length](std::size_t position) { return position + 1 < length; };

    if (B[1] == kManufacturer) {
        if (B[2] != kDevice)
            return;
        if (B[3] == kStatusReply) {
            if (!holds(kLastReadStatusReply))
                return;
            // The main thread may be blocked waiting for exactly this flag: set it here.
            midiStatusReqFlag.store(1);
            const int major = static_cast<int>(B[4]) - 0x30;
            const int minor = static_cast<int>(B[5]) - 0x30;
            handOver([this, major, minor] { showVersion(major, minor); });
            return;
        }
        if (B[3] != kDeviceEvent || B[4] > kComparisonTimeReached || !holds(kLastReadEvent))
            return;
        switch (B[4]) {
            case kLoggingState:
                if (holds(kLastReadLoggingState))
                    handOver([this, state = B[5]] { loggingStateEvent(state); });
                break;
            case kLogStart:
                if (holds(kLastReadLogStart)) {
                    // The moment and the picture belong to the instant the log started, not to
                    // whenever the main thread gets round to the record.
                    handOver([this, B, now = m_services.clock.now(), frame = latestFrame()] {
                        logStartEvent(B, now, frame);
                    });
                }
                break;
            case kLogStop:
                if (holds(kLastReadLogStop))
                    handOver([this, B] { logStopEvent(B); });
                break;
            case kStopTimeReached:
                handOver([this] { stopTimeEvent(); });
                break;
            case kComparisonTimeReached:
                handOver([this] { comparisonTimeEvent(); });
                break;
            default:
                break;
        }
        return;
    }

    // MIDI Time Code full frame, addressed to all devices: F0 7F 7F 01 01 hr mn sc fr F7.
    if (B[1] == 0x7F && B[2] == 0x7F && B[3] == 0x01 && B[4] == 0x01 && B[9] == 0xF7 &&
        length == 10) {
        const int hours = B[5] & 0x1F, minutes = B[6] & 0x3F;
        const int seconds = B[7] & 0x3F, frames = B[8] & 0x1F;
        handOverRunningTimecode(hours, minutes, seconds, frames);
    }
}

void vexaLogging3AppDelegate::showVersion(int major, int minor) {
    if (major < 2) {
        outlets.statusText->setText("  update");
        return;
    }
    outlets.statusText->setText("  " + std::to_string(major) + "." + std::to_string(minor));
}

void vexaLogging3AppDelegate::loggingStateEvent(std::uint8_t state) {
    outlets.cmbLogSelectVal->setEnabled(true);
    const bool loggingOn = (state & 0x01) != 0;
    reportedLoggingState = loggingOn ? 1 : 0;
    if (m_chosenLoggingMode < 0) {
        // Selected by the program: the combo box's user action does not run, so nothing is
        // sent back to the interface.
        outlets.cmbLogSelectVal->selectItem(loggingOn ? 1 : 0);
        return;
    }
    // The interface forgets its mode when it loses power or its link; a shoot must not stop
    // logging because a cable was pulled. The mode the user chose is set again.
    outlets.cmbLogSelectVal->selectItem(m_chosenLoggingMode);
    if (loggingOn != (m_chosenLoggingMode == 1)) {
        m_services.systemLog.write(
            "interface reported another logging mode; the chosen one is set again");
        cmbLogSelect();
    } else if (m_chosenLoggingMode == 2) {
        outlets.btnLogManualVal->setEnabled(true);
    }
}

void vexaLogging3AppDelegate::logStartEvent(const std::array<std::uint8_t, 10>& B,
                                            platform::LocalTime now,
                                            platform::VideoFramePtr frame) {
    // A log opened with the highest number there is has no next one, and wrapping would
    // number the takes negative. The take is still logged, with its time and picture, as
    // number 0 like an inserted record, so that nothing the machine recorded goes missing;
    // the status line says so until a take gets a number again.
    if (logNr == std::numeric_limits<std::int32_t>::max()) {
        if (m_logNumberNotice.empty()) {
            m_logNumberNotice = "  No log number left: take logged as 0";
            outlets.statusText->setText(outlets.statusText->text() + m_logNumberNotice);
        }
        outlets.txtLogNr->setText("0");
    } else {
        ++logNr;
        m_logNumberNotice.clear();
        outlets.txtLogNr->setText(std::to_string(logNr));
    }
    m_strayStopNotice.clear();

    const std::string start = B[9] == kDropFrameRate
                                  ? timecode::formatDropFrame(B[5], B[6], B[7], B[8])
                                  : timecode::format(B[5], B[6], B[7], B[8]);
    outlets.txtLogStart->setText(start);
    outlets.txtLogStop->setText("");
    outlets.txtLogDuration->setText("");

    char timeOfDay[32];
    char date[32];
    std::snprintf(timeOfDay, sizeof timeOfDay, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", now.day, now.month, now.year);
    outlets.txtLogTod->setText(timeOfDay);
    outlets.txtLogDate->setText(date);

    // Follow stays with the newest record, or with the record it was held on for typing.
    const bool follow = followTakes && m_shownRecord != 0 &&
                        (m_shownRecord == logStartArray.recordKey(logStartArray.recordCount()) ||
                         m_shownRecord == m_followHeld);

    // The log keeps the colon form whatever the capture window shows.
    std::string storedStart = outlets.txtLogStart->text();
    std::replace(storedStart.begin(), storedStart.end(), ';', ':');
    // The record goes in at once, its picture empty; the still of the frame kept at the
    // log start's arrival follows from the encoder's thread. With capture off nothing takes
    // a still, so none is made.
    logStartArray.append({outlets.txtLogNr->text(), std::move(storedStart), std::string(),
                          std::string(), outlets.txtLogTod->text(), std::string(), std::string(),
                          outlets.txtLogDate->text(), std::string(), Picture()});
    countLogPicture(captureActive == 1 && frame != nullptr);
    const int place = logStartArray.recordCount();
    m_openTake = logStartArray.recordKey(place);
    if (captureActive == 1 && frame)
        m_stills.encode(m_openTake, place, std::move(frame));

    if (logEditPos == logNr)
        LogActualWrite();
    if (follow)
        followNewTake();
    LogImageRefresh();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::logStopEvent(const std::array<std::uint8_t, 10>& B) {
    // The interface stops the take it started last. Records added, pasted or removed by hand
    // while it ran must not take its stop. A take that is gone, or none open in this run (the
    // log opened, imported or restored while the take ran, or its start lost on the way),
    // leaves the stop to the last record, but only one still waiting for a stop: a finished
    // take keeps its own.
    int take = logStartArray.findRecord(m_openTake, logStartArray.recordCount());
    m_openTake = 0;
    const int last = logStartArray.recordCount();
    if (take == 0 && last > 0 && logStartArray.text(LogList::indexOf(last, kFieldStop)).empty())
        take = last;
    outlets.txtLogStop->setText(timecode::format(B[5], B[6], B[7], B[8]));
    if (take == 0) {
        outlets.txtLogDuration->setText("");
        m_strayStopNotice =
            "  Log stop " + outlets.txtLogStop->text() + " without its start: no record changed";
        outlets.statusText->setText(
            withRecoveryNotice(runningTimecodeText.empty() ? "" : "  " + runningTimecodeText));
        return;
    }
    logStartArray.replace(LogList::indexOf(take, kFieldStop), outlets.txtLogStop->text());
    outlets.txtLogDuration->setText(
        DurationCalculate(outlets.txtLogStart->text(), outlets.txtLogStop->text()));
    // Only the editor showing the take has anything new to show.
    if (logStartArray.recordKey(take) == m_shownRecord)
        LogActualWrite();
    editChangeFlag = 1;
    // A finished log is what a crash must not cost: it goes to the recovery file at once.
    keepRecoveryFile(true);
}

void vexaLogging3AppDelegate::stopTimeEvent() {
    playStopFlag = 0;
    FelderPlayerOff();
}

void vexaLogging3AppDelegate::comparisonTimeEvent() {
    LogNaechster();
    NextStopOrVglwSend();
}

void vexaLogging3AppDelegate::showRunningTimecode(int hours, int minutes, int seconds, int frames) {
    outlets.statusText->setText(
        withRecoveryNotice(timecode::formatStatusLine(hours, minutes, seconds, frames)));
    runningTimecodeText = timecode::formatRunning(hours, minutes, seconds, frames);
    FindLogToTimecode(runningTimecodeText);
}
