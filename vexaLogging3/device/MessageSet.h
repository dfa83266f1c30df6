#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Every message the program sends to the interface, as the interface expects it byte for
// byte. The timecode messages are patched just before they are sent.
struct MessageSet {
    // The interface's own commands: F0 2C 4D, a command, F7.
    std::array<std::uint8_t, 5> sysexStatusSense{0xF0, 0x2C, 0x4D, 0x10, 0xF7};
    std::array<std::uint8_t, 6> sysexLogAktivOff{0xF0, 0x2C, 0x4D, 0x57, 0x00, 0xF7};
    std::array<std::uint8_t, 6> sysexLogAktivOn{0xF0, 0x2C, 0x4D, 0x57, 0x01, 0xF7};
    std::array<std::uint8_t, 6> sysexLogFailedFrameOff{0xF0, 0x2C, 0x4D, 0x57, 0x04, 0xF7};
    std::array<std::uint8_t, 6> sysexLogFailedFrameOn{0xF0, 0x2C, 0x4D, 0x57, 0x05, 0xF7};
    std::array<std::uint8_t, 6> sysexLogManualStart{0xF0, 0x2C, 0x4D, 0x57, 0x06, 0xF7};
    std::array<std::uint8_t, 6> sysexLogManualStop{0xF0, 0x2C, 0x4D, 0x57, 0x07, 0xF7};
    std::array<std::uint8_t, 6> sysexLogAktivRead{0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
    // Bytes 5 to 8: hours, minutes, seconds, frames of the time the interface reacts at.
    std::array<std::uint8_t, 11> sysexSendStoptime{0xF0, 0x2C, 0x4D, 0x57, 0x08, 0x00,
                                                   0x00, 0x00, 0x00, 0x00, 0xF7};
    std::array<std::uint8_t, 11> sysexSendVergltime{0xF0, 0x2C, 0x4D, 0x57, 0x09, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0xF7};
    // MIDI Machine Control for the machine behind the interface. Locate: bytes 7 to 10 are
    // the target, its hours byte carrying the frame-rate bits; byte 11 (subframes) stays 0.
    std::array<std::uint8_t, 13> sysexMmcLocate{0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01,
                                                0x00, 0x00, 0x00, 0x00, 0x00, 0xF7};
    std::array<std::uint8_t, 6> sysexMmcPlay{0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7};
    std::array<std::uint8_t, 6> sysexMmcStop{0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};
    std::array<std::uint8_t, 10> sysexMmcSetGen{0xF0, 0x7F, 0x7F, 0x06, 0x40,
                                                0x03, 0x46, 0x01, 0x0A, 0xF7};

    // Writes a timecode text into the locate target, the frame-rate code added to the hours.
    void patchLocate(std::string_view timecode, std::uint8_t frameRateCode);
    // Writes a timecode text into a stop-time or comparison-time message (no rate bits).
    static void patchPlayerTime(std::array<std::uint8_t, 11>& message, std::string_view timecode);
};
