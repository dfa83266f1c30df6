#include "platform/midi/MidiPortNames.h"

#include <cctype>

namespace platform::midi {

namespace {

bool allDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// The client number of an ALSA port name ending in " clientnum:portnum", if it has one.
std::optional<std::string_view> alsaClientNumber(std::string_view portName) {
    const std::size_t blank = portName.rfind(' ');
    if (blank == std::string_view::npos)
        return std::nullopt;
    const std::string_view address = portName.substr(blank + 1);
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::string_view client = address.substr(0, colon);
    if (!allDigits(client) || !allDigits(address.substr(colon + 1)))
        return std::nullopt;
    return client;
}

}  // namespace

std::optional<MidiApi> parseMidiApi(std::string_view name) {
    if (name == "alsa")
        return MidiApi::alsa;
    if (name == "jack")
        return MidiApi::jack;
    return std::nullopt;
}

std::string_view midiApiName(MidiApi api) {
    return api == MidiApi::jack ? "jack" : "alsa";
}

std::string clientNameOfPort(std::string_view portName) {
    return std::string(portName.substr(0, portName.find(':')));
}

std::string clientOfPort(std::string_view portName, MidiApi api) {
    if (api == MidiApi::alsa) {
        if (const auto number = alsaClientNumber(portName))
            return std::string(*number);
    }
    return clientNameOfPort(portName);
}

}  // namespace platform::midi
