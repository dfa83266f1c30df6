// Folds MIDI Time Code quarter frames into the running timecode.

#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

namespace {
enum TimeIndex { kFrames = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };
}

void vexaLogging3AppDelegate::MTC_QF_Reader() {
    const std::uint8_t d = usbQuarterTime;
    const std::uint8_t n = d & 0x0F;
    auto& t = usbMidiTime;
    // Even pieces set a value's low nibble, odd pieces add its upper bits, so a group that
    // arrives in order spells the timecode exactly. No transmission delay is added: the time
    // shown is the one the pieces spell.
    switch (d & 0xF0) {
        case 0x00:
            t[kFrames] = n;
            break;
        case 0x10:
            t[kFrames] = static_cast<std::uint8_t>(t[kFrames] + (d & 0x03) * 16);
            break;
        case 0x20:
            t[kSeconds] = n;
            break;
        case 0x30:
            t[kSeconds] = static_cast<std::uint8_t>(t[kSeconds] + (d & 0x03) * 16);
            break;
        case 0x40:
            t[kMinutes] = n;
            break;
        case 0x50:
            t[kMinutes] = static_cast<std::uint8_t>(t[kMinutes] + (d & 0x03) * 16);
            break;
        case 0x60:
            t[kHours] = n;
            break;
        case 0x70: {
            t[kHours] = static_cast<std::uint8_t>(t[kHours] + (d & 0x01) * 16);
            const auto value = [&t](int i) {
                return static_cast<int>(static_cast<std::int8_t>(t[i]));
            };
            handOverRunningTimecode(value(kHours), value(kMinutes), value(kSeconds), value(kFrames),
                                    (d >> 1) & 0x03);
            break;
        }
        default:
            break;
    }
}
