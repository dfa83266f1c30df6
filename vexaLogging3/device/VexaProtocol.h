#pragma once

#include <cstdint>

// The vexa interface's own System Exclusive messages: F0 2C 4D, a command or reply byte, and
// for some a sub-command or event number. Both ends of the link speak it: the program and the
// simulated interface.
namespace vexa {

inline constexpr std::uint8_t kManufacturer = 0x2C;
inline constexpr std::uint8_t kDevice = 0x4D;

// What the program sends, after F0 2C 4D.
inline constexpr std::uint8_t kStatusSense = 0x10;
inline constexpr std::uint8_t kLoggingCommand = 0x57;

enum LoggingCommand : std::uint8_t {
    kLoggingOff = 0x00,
    kLoggingOn = 0x01,
    kFailedFrameOff = 0x04,
    kFailedFrameOn = 0x05,
    kManualStart = 0x06,
    kManualStop = 0x07,
    kSetStopTime = 0x08,
    kSetComparisonTime = 0x09,
    kReadLoggingState = 0x7F,
};

// What the interface sends, after F0 2C 4D.
inline constexpr std::uint8_t kStatusReply = 0x21;
inline constexpr std::uint8_t kDeviceEvent = 0x67;

enum DeviceEvent : std::uint8_t {
    kLoggingState = 0x00,
    kLogStart = 0x01,
    kLogStop = 0x02,
    kStopTimeReached = 0x08,
    kComparisonTimeReached = 0x09,
};

// The rate code of a log start that marks drop-frame timecode, as MIDI Time Code numbers it.
inline constexpr std::uint8_t kDropFrameRate = 2;

}  // namespace vexa
