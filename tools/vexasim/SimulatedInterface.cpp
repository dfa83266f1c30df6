#include "vexasim/SimulatedInterface.h"

#include <algorithm>
#include <utility>

#include "device/VexaProtocol.h"
#include "platform/MidiPacketList.h"

namespace vexasim {

namespace {

constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kQuarterFrame = 0xF1;
constexpr std::uint8_t kUniversalRealTime = 0x7F;
constexpr std::uint8_t kAllDevices = 0x7F;
constexpr std::uint8_t kMachineControl = 0x06;

enum MachineCommand : std::uint8_t {
    kMmcStop = 0x01,
    kMmcPlay = 0x02,
    kMmcWrite = 0x40,
    kMmcLocate = 0x44,
};

// Nothing the program sends comes near this; a stream that never closes its message must not
// make the interface hoard bytes.
constexpr std::size_t kLongestSysex = 4096;

std::uint8_t byte(int value) {
    return static_cast<std::uint8_t>(value);
}

// Whether the running timecode, moving one frame from `before` to `after`, has come to
// `target`. Across midnight the day starts over, so a target early in the new day counts too.
bool reached(const Timecode& before, const Timecode& after, const Timecode& target) {
    if (after < before)
        return target > before || target <= after;
    return before < target && target <= after;
}

}  // namespace

class SimulatedInterface::Busy {
public:
    explicit Busy(SimulatedInterface& sim) : m_sim(sim), m_outermost(sim.m_busyDepth == 0) {
        ++m_sim.m_busyDepth;
    }
    ~Busy() { --m_sim.m_busyDepth; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

    bool outermost() const { return m_outermost; }

private:
    SimulatedInterface& m_sim;
    bool m_outermost;
};

SimulatedInterface::SimulatedInterface(Output output, std::string_view version)
    : m_output(std::move(output)),
      m_versionMajor(version.size() > 0 ? byte(version[0]) : byte('0')),
      m_versionMinor(version.size() > 1 ? byte(version[1]) : byte('0')) {}

void SimulatedInterface::receive(std::span<const std::uint8_t> packetList) {
    if (m_busyDepth > 0) {
        m_pending.emplace_back(packetList.begin(), packetList.end());
        return;
    }
    Busy busy(*this);
    takeBytes(packetList);
    drainPending();
}

void SimulatedInterface::drainPending() {
    while (!m_pending.empty()) {
        const std::vector<std::uint8_t> list = std::move(m_pending.front());
        m_pending.pop_front();
        takeBytes(list);
    }
}

void SimulatedInterface::takeBytes(std::span<const std::uint8_t> packetList) {
    platform::forEachMidiPacket(packetList, [this](std::span<const std::uint8_t> packet) {
        for (const std::uint8_t b : packet) {
            if (b == kSysexStart) {
                m_inSysex = true;
                m_sysex.assign(1, b);
            } else if (b == kSysexEnd) {
                if (!m_inSysex)
                    continue;
                m_inSysex = false;
                m_sysex.push_back(b);
                m_received.push_back(m_sysex);
                handleMessage(m_received.back());
            } else if (b >= 0xF8) {
                // Real-time bytes may sit inside a System Exclusive message without ending it.
            } else if (b >= 0x80) {
                m_inSysex = false;
            } else if (m_inSysex) {
                m_sysex.push_back(b);
                if (m_sysex.size() > kLongestSysex)
                    m_inSysex = false;
            }
        }
    });
}

void SimulatedInterface::handleMessage(const std::vector<std::uint8_t>& message) {
    if (message.size() < 5)
        return;
    if (message[1] == vexa::kManufacturer && message[2] == vexa::kDevice)
        handleOwnCommand(message);
    else if (message[1] == kUniversalRealTime && message[2] == kAllDevices &&
             message[3] == kMachineControl)
        handleMachineControl(message);
}

void SimulatedInterface::handleOwnCommand(const std::vector<std::uint8_t>& message) {
    // Lengths are checked exactly: a command of the wrong length is a fault in the program,
    // and acting on it would hide the fault from whoever watches the link.
    if (message.size() == 5 && message[3] == vexa::kStatusSense) {
        send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kStatusReply, m_versionMajor,
              m_versionMinor, kSysexEnd});
        return;
    }
    if (message[3] != vexa::kLoggingCommand)
        return;
    if (message.size() == 11 &&
        (message[4] == vexa::kSetStopTime || message[4] == vexa::kSetComparisonTime)) {
        const Timecode target{message[5], message[6], message[7], message[8]};
        if (message[4] == vexa::kSetStopTime)
            m_stopTime = target;
        else
            m_comparisonTime = target;
        return;
    }
    if (message.size() != 6)
        return;
    switch (message[4]) {
        case vexa::kLoggingOff:
            setLogging(false);
            break;
        case vexa::kLoggingOn:
            setLogging(true);
            break;
        case vexa::kFailedFrameOff:
            m_failedFrameLogging = false;
            break;
        case vexa::kFailedFrameOn:
            m_failedFrameLogging = true;
            break;
        case vexa::kManualStart:
            startLog(false);
            break;
        case vexa::kManualStop:
            if (m_logOpen)
                stopLog();
            break;
        case vexa::kReadLoggingState:
            send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kDeviceEvent,
                  vexa::kLoggingState, byte(m_loggingOn ? 1 : 0), kSysexEnd});
            break;
        default:
            break;
    }
}

void SimulatedInterface::handleMachineControl(const std::vector<std::uint8_t>& message) {
    switch (message[4]) {
        case kMmcLocate:
            // Target form: 44 06 01 hr mn sc fr sf. Standard MMC time code keeps the rate in
            // bits 5-6 of the hours, the colour-frame flag in bit 6 of the minutes and the
            // sign and final-byte flags in bits 5-6 of the frames; only the counts matter here.
            if (message.size() == 13 && message[5] == 0x06 && message[6] == 0x01) {
                beginPlayback();
                locate(
                    {message[7] & 0x1F, message[8] & 0x3F, message[9] & 0x3F, message[10] & 0x1F});
            }
            break;
        case kMmcPlay:
            if (message.size() == 6) {
                beginPlayback();
                play();
            }
            break;
        case kMmcStop:
            // The user ended the playback: the times handed over for it are void.
            if (message.size() == 6) {
                m_stopTime.reset();
                m_comparisonTime.reset();
                stop();
            }
            break;
        case kMmcWrite:
            // Set-up for the machine; nothing the interface itself keeps.
            break;
        default:
            break;
    }
}

void SimulatedInterface::advanceQuarterFrames(int count) {
    Busy busy(*this);
    for (int n = 0; n < count && (m_playing || m_recordInQuarters > 0); ++n) {
        if (m_playing)
            quarterFrameTick();
        else if (--m_recordInQuarters == 0)
            recordAgain();
        // Answers the program gives to what was just sent take effect from the next quarter
        // frame on, as they would after a trip over the wire.
        if (busy.outermost())
            drainPending();
    }
}

void SimulatedInterface::advanceFrames(int count) {
    if (count > 0)
        advanceQuarterFrames(4 * count);
}

void SimulatedInterface::quarterFrameTick() {
    // A group of eight pieces spells the frame at which its piece 0 went out; a receiver
    // knows the pieces arrive two frames behind and adds that itself.
    if (m_piece == 0)
        m_groupTimecode = m_timecode;
    send({kQuarterFrame, quarterFrameData(m_groupTimecode, m_rate, m_piece)});
    m_piece = (m_piece + 1) % 8;
    if (++m_quarter == 4) {
        m_quarter = 0;
        stepFrame();
    }
}

void SimulatedInterface::stepFrame() {
    const Timecode before = m_timecode;
    m_timecode = nextFrame(before, m_rate);

    // Each time fires once; the program hands over the next one when it wants another.
    const bool stopReached = m_stopTime && reached(before, m_timecode, *m_stopTime);
    if (stopReached) {
        m_stopTime.reset();
        send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kDeviceEvent,
              vexa::kStopTimeReached, kSysexEnd});
    }
    if (m_comparisonTime && reached(before, m_timecode, *m_comparisonTime)) {
        m_comparisonTime.reset();
        send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kDeviceEvent,
              vexa::kComparisonTimeReached, kSysexEnd});
    }
    // The stop time is where the playback ends: the interface halts the machine there.
    if (stopReached) {
        halt();
        return;
    }

    if (m_loggingOn && m_autoCountdown > 0)
        --m_autoCountdown;
    // A log once started runs its length even when logging is switched off meanwhile, as
    // when the user turns from automatic to manual logging in the middle of a take.
    if (m_logOpen && m_logIsAutomatic && ++m_autoAge >= autoLogLengthFrames())
        stopLog();
    maybeStartAutoLog();
}

void SimulatedInterface::play() {
    Busy busy(*this);
    if (m_playing)
        return;
    m_playing = true;
    m_quarter = 0;
    m_piece = 0;
    sendFullFrame();
    maybeStartAutoLog();
    if (busy.outermost())
        drainPending();
}

void SimulatedInterface::stop() {
    Busy busy(*this);
    if (!m_playing)
        return;
    halt();
    if (busy.outermost())
        drainPending();
}

void SimulatedInterface::halt() {
    m_playing = false;
    if (m_recordAfterFrames > 0)
        m_recordInQuarters = 4 * m_recordAfterFrames;
    // An automatic log covers running timecode; when the machine halts, the log ends there.
    if (m_logOpen && m_logIsAutomatic)
        stopLog();
    // Quarter frames lag two frames behind and stop with the machine: the full frame says
    // where it came to rest.
    sendFullFrame();
}

void SimulatedInterface::beginPlayback() {
    if (m_recordAfterFrames == 0)
        return;
    m_recordInQuarters = 0;
    // A second playback, before the machine records again, starts where the first left it;
    // the recording still ends where it stopped for the first.
    if (!m_playingBack)
        m_recordedUpTo = m_timecode;
    m_playingBack = true;
}

void SimulatedInterface::recordAgain() {
    // The recording goes on after what was recorded, so takes never share timecode; the full
    // frame that play() sends tells the program where.
    if (m_playingBack) {
        m_timecode = m_recordedUpTo;
        m_quarter = 0;
        m_piece = 0;
    }
    m_playingBack = false;
    // Recording again is a new take at once, not one when the old rhythm comes round.
    m_autoCountdown = 0;
    play();
}

void SimulatedInterface::locate(const Timecode& target) {
    Busy busy(*this);
    const Timecode landed = skipDroppedLabel(target, m_rate);
    if (!isValidTimecode(landed, m_rate))
        return;
    // An automatic log covers the timecode as it ran: a jump ends it where the machine was.
    if (m_logOpen && m_logIsAutomatic)
        stopLog();
    m_timecode = landed;
    m_quarter = 0;
    m_piece = 0;
    // Quarter frames need two frames to spell a position; the full frame tells a reader at
    // once where the machine now stands.
    sendFullFrame();
    if (busy.outermost())
        drainPending();
}

void SimulatedInterface::setFrameRate(FrameRate rate) {
    m_rate = rate;
    m_timecode.frames = std::min(m_timecode.frames, framesPerSecondLabel(rate) - 1);
    m_timecode = skipDroppedLabel(m_timecode, rate);
    m_quarter = 0;
    m_piece = 0;
}

void SimulatedInterface::setAutoLogTiming(int everyFrames, int lengthFrames) {
    m_autoEvery = std::max(1, everyFrames);
    m_autoLength = std::clamp(lengthFrames, 1, m_autoEvery);
}

int SimulatedInterface::autoLogEveryFrames() const {
    return m_autoEvery > 0 ? m_autoEvery : 4 * framesPerSecondLabel(m_rate);
}

int SimulatedInterface::autoLogLengthFrames() const {
    return m_autoLength > 0 ? m_autoLength : 2 * framesPerSecondLabel(m_rate);
}

void SimulatedInterface::setLogging(bool on) {
    if (on == m_loggingOn)
        return;
    m_loggingOn = on;
    if (on) {
        m_autoCountdown = 0;
        maybeStartAutoLog();
    }
}

void SimulatedInterface::setRecordAfterPlayback(int afterFrames) {
    m_recordAfterFrames = std::max(0, afterFrames);
}

void SimulatedInterface::setRecordAfterPlaybackSeconds(int seconds) {
    setRecordAfterPlayback(seconds * framesPerSecondLabel(m_rate));
}

void SimulatedInterface::switchLoggingOn() {
    receive(platform::makeMidiPacketList(std::vector<std::uint8_t>{
        kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kLoggingCommand, vexa::kLoggingOn,
        kSysexEnd}));
}

void SimulatedInterface::maybeStartAutoLog() {
    // A playback shows what was logged already; only recording makes new takes.
    if (!m_loggingOn || !m_playing || m_playingBack || m_logOpen || m_autoCountdown > 0)
        return;
    startLog(true);
    m_autoCountdown = autoLogEveryFrames();
}

void SimulatedInterface::startLog(bool automatic) {
    // A stop always belongs to the latest start: the log still open ends here, before the new
    // one begins, so its stop can never land on the new log.
    if (m_logOpen)
        stopLog();
    m_logOpen = true;
    m_logIsAutomatic = automatic;
    m_autoAge = 0;
    ++m_logsStarted;
    send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kDeviceEvent, vexa::kLogStart,
          byte(m_timecode.hours), byte(m_timecode.minutes), byte(m_timecode.seconds),
          byte(m_timecode.frames), mtcRateCode(m_rate), kSysexEnd});
}

void SimulatedInterface::stopLog() {
    m_logOpen = false;
    m_logIsAutomatic = false;
    send({kSysexStart, vexa::kManufacturer, vexa::kDevice, vexa::kDeviceEvent, vexa::kLogStop,
          byte(m_timecode.hours), byte(m_timecode.minutes), byte(m_timecode.seconds),
          byte(m_timecode.frames), kSysexEnd});
}

void SimulatedInterface::sendFullFrame() {
    send({kSysexStart, kUniversalRealTime, kAllDevices, 0x01, 0x01,
          byte((mtcRateCode(m_rate) << 5) | m_timecode.hours), byte(m_timecode.minutes),
          byte(m_timecode.seconds), byte(m_timecode.frames), kSysexEnd});
}

void SimulatedInterface::send(std::initializer_list<std::uint8_t> message) {
    send(std::span<const std::uint8_t>(message.begin(), message.size()));
}

void SimulatedInterface::send(std::span<const std::uint8_t> message) {
    const std::vector<std::uint8_t> list = platform::makeMidiPacketList(message);
    if (m_output)
        m_output(list);
}

}  // namespace vexasim
