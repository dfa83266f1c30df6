#include "vexasim/Timecode.h"

namespace vexasim {

std::uint8_t mtcRateCode(FrameRate rate) {
    switch (rate) {
        case FrameRate::fps24:
            return 0;
        case FrameRate::fps25:
            return 1;
        case FrameRate::fps2997DropFrame:
            return 2;
        case FrameRate::fps30:
            return 3;
    }
    return 1;
}

int framesPerSecondLabel(FrameRate rate) {
    switch (rate) {
        case FrameRate::fps24:
            return 24;
        case FrameRate::fps25:
            return 25;
        case FrameRate::fps2997DropFrame:
        case FrameRate::fps30:
            return 30;
    }
    return 25;
}

double framesPerSecond(FrameRate rate) {
    if (rate == FrameRate::fps2997DropFrame)
        return 30000.0 / 1001.0;
    return framesPerSecondLabel(rate);
}

bool isSkippedLabel(const Timecode& tc, FrameRate rate) {
    return rate == FrameRate::fps2997DropFrame && tc.frames < 2 && tc.seconds == 0 &&
           tc.minutes % 10 != 0;
}

bool isValidTimecode(const Timecode& tc, FrameRate rate) {
    return tc.hours >= 0 && tc.hours < 24 && tc.minutes >= 0 && tc.minutes < 60 &&
           tc.seconds >= 0 && tc.seconds < 60 && tc.frames >= 0 &&
           tc.frames < framesPerSecondLabel(rate) && !isSkippedLabel(tc, rate);
}

Timecode nextFrame(const Timecode& tc, FrameRate rate) {
    Timecode next = tc;
    if (++next.frames < framesPerSecondLabel(rate))
        return next;
    next.frames = 0;
    if (++next.seconds == 60) {
        next.seconds = 0;
        if (++next.minutes == 60) {
            next.minutes = 0;
            if (++next.hours == 24)
                next.hours = 0;
        }
    }
    return skipDroppedLabel(next, rate);
}

Timecode skipDroppedLabel(const Timecode& tc, FrameRate rate) {
    Timecode result = tc;
    if (isSkippedLabel(result, rate))
        result.frames = 2;
    return result;
}

std::uint8_t quarterFrameData(const Timecode& tc, FrameRate rate, int piece) {
    int nibble = 0;
    switch (piece & 7) {
        case 0:
            nibble = tc.frames & 0x0F;
            break;
        case 1:
            nibble = (tc.frames >> 4) & 0x01;
            break;
        case 2:
            nibble = tc.seconds & 0x0F;
            break;
        case 3:
            nibble = (tc.seconds >> 4) & 0x03;
            break;
        case 4:
            nibble = tc.minutes & 0x0F;
            break;
        case 5:
            nibble = (tc.minutes >> 4) & 0x03;
            break;
        case 6:
            nibble = tc.hours & 0x0F;
            break;
        case 7:
            nibble = (mtcRateCode(rate) << 1) | ((tc.hours >> 4) & 0x01);
            break;
    }
    return static_cast<std::uint8_t>(((piece & 7) << 4) | nibble);
}

}  // namespace vexasim
