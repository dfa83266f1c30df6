#include "loglist/Timecode.h"

#include <climits>
#include <cstdio>

namespace timecode {
namespace {

std::string print(const char* format, int a, int b, int c, int d) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, a, b, c, d);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool hasTimecodeShape(std::string_view text) {
    return text.size() == kLength && text[2] == ':' && text[5] == ':' && text[8] == ':';
}

// Every step of the duration works on 8-bit signed values, so that out-of-range texts give
// the same answer they always gave; for two-digit fields this never changes a value.
std::int8_t s8(int value) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::string format(int hours, int minutes, int seconds, int frames) {
    return print("%02d:%02d:%02d:%02d", hours, minutes, seconds, frames);
}

std::string formatDropFrame(int hours, int minutes, int seconds, int frames) {
    return print("%02d;%02d;%02d;%02d", hours, minutes, seconds, frames);
}

std::string formatRunning(int hours, int minutes, int seconds, int frames) {
    return print("%.2d:%.2d:%.2d:%.2d", hours, minutes, seconds, frames);
}

std::string formatStatusLine(int hours, int minutes, int seconds, int frames) {
    return print("  %.2d:%.2d:%.2d:%.2d", hours, minutes, seconds, frames);
}

int intValueAt(std::string_view text, std::size_t position) {
    if (position >= text.size())
        return 0;
    std::size_t i = position;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::array<std::uint8_t, 4> toBytes(std::string_view text) {
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t k = 0; k < kFieldPositions.size(); ++k)
        bytes[k] = static_cast<std::uint8_t>(intValueAt(text, kFieldPositions[k]) & 0xFF);
    return bytes;
}

std::string durationCalculate(std::string_view start, std::string_view stop) {
    if (!hasTimecodeShape(start) || !hasTimecodeShape(stop))
        return {};

    std::int8_t sh = s8(intValueAt(start, 0)), sm = s8(intValueAt(start, 3));
    std::int8_t ss = s8(intValueAt(start, 6));
    const std::int8_t sf = s8(intValueAt(start, 9));
    const std::int8_t eh = s8(intValueAt(stop, 0)), em = s8(intValueAt(stop, 3));
    const std::int8_t es = s8(intValueAt(stop, 6)), ef = s8(intValueAt(stop, 9));

    // Frames only decide whether a second has to be borrowed; the result has no frames.
    if (s8(ef - sf) < 0)
        ss = s8(ss + 1);
    std::int8_t s = s8(es - ss);
    if (s < 0) {
        s = s8(s + 60);
        sm = s8(sm + 1);
    }
    std::int8_t m = s8(em - sm);
    if (m < 0) {
        m = s8(m + 60);
        sh = s8(sh + 1);
    }
    // A stop earlier than the start is a stop on the following day.
    std::int8_t h = s8(eh - sh);
    if (h < 0)
        h = s8(h + 24);
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", h, m, s);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

namespace {

// Drop-frame counting: two labels left out in nine of every ten minutes.
constexpr std::int64_t kDroppedPerMinute = 2;
constexpr std::int64_t kDropFramesPerMinute = 60 * 30 - kDroppedPerMinute;
constexpr std::int64_t kDropFramesPerTenMinutes = 10 * 60 * 30 - 9 * kDroppedPerMinute;

bool twoDigits(std::string_view text, std::size_t at, int& value) {
    const char tens = text[at];
    const char ones = text[at + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9')
        return false;
    value = (tens - '0') * 10 + (ones - '0');
    return true;
}

}  // namespace

std::int64_t framesPerDay(FrameRate rate) {
    if (rate.dropFrame)
        return 24 * 6 * kDropFramesPerTenMinutes;
    return std::int64_t{24} * 3600 * rate.framesPerSecond;
}

std::optional<std::int64_t> frameOf(std::string_view text, FrameRate rate) {
    if (text.size() != kLength || rate.framesPerSecond <= 0)
        return std::nullopt;
    for (const std::size_t at : {std::size_t{2}, std::size_t{5}, std::size_t{8}}) {
        if (text[at] != ':' && text[at] != ';')
            return std::nullopt;
    }
    int h = 0, m = 0, s = 0, f = 0;
    if (!twoDigits(text, 0, h) || !twoDigits(text, 3, m) || !twoDigits(text, 6, s) ||
        !twoDigits(text, 9, f))
        return std::nullopt;
    if (h >= 24 || m >= 60 || s >= 60 || f >= rate.framesPerSecond)
        return std::nullopt;
    const std::int64_t minutes = std::int64_t{h} * 60 + m;
    if (!rate.dropFrame)
        return (minutes * 60 + s) * rate.framesPerSecond + f;
    if (s == 0 && m % 10 != 0 && f < kDroppedPerMinute)
        f = kDroppedPerMinute;
    return (minutes * 60 + s) * 30 + f - kDroppedPerMinute * (minutes - minutes / 10);
}

std::string labelOf(std::int64_t frame, FrameRate rate) {
    if (rate.framesPerSecond <= 0)
        return {};
    const std::int64_t day = framesPerDay(rate);
    frame %= day;
    if (frame < 0)
        frame += day;
    if (rate.dropFrame) {
        // Put back the labels left out before this frame, then count as at 30.
        const std::int64_t tens = frame / kDropFramesPerTenMinutes;
        const std::int64_t rest = frame % kDropFramesPerTenMinutes;
        frame += 9 * kDroppedPerMinute * tens;
        if (rest > kDroppedPerMinute)
            frame += kDroppedPerMinute * ((rest - kDroppedPerMinute) / kDropFramesPerMinute);
    }
    const int fps = rate.dropFrame ? 30 : rate.framesPerSecond;
    const auto f = static_cast<int>(frame % fps);
    const std::int64_t seconds = frame / fps;
    const auto s = static_cast<int>(seconds % 60);
    const auto m = static_cast<int>(seconds / 60 % 60);
    const auto h = static_cast<int>(seconds / 3600);
    return rate.dropFrame ? formatDropFrame(h, m, s, f) : format(h, m, s, f);
}

}  // namespace timecode
