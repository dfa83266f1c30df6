#include "device/MessageSet.h"

#include "loglist/Timecode.h"

void MessageSet::patchLocate(std::string_view text, std::uint8_t frameRateCode) {
    const auto tc = timecode::toBytes(text);
    sysexMmcLocate[7] = static_cast<std::uint8_t>(tc[0] + frameRateCode);
    sysexMmcLocate[8] = tc[1];
    sysexMmcLocate[9] = tc[2];
    sysexMmcLocate[10] = tc[3];
}

void MessageSet::patchPlayerTime(std::array<std::uint8_t, 11>& message, std::string_view text) {
    const auto tc = timecode::toBytes(text);
    for (std::size_t k = 0; k < tc.size(); ++k) message[5 + k] = tc[k];
}
