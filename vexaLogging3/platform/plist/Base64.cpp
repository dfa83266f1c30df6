#include "platform/plist/Base64.h"

#include <array>

namespace platform::plist {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::uint8_t kSkip = 0xFF;

constexpr std::array<std::uint8_t, 256> makeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = kSkip;
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
    return table;
}

constexpr auto kDecode = makeDecodeTable();

}  // namespace

void base64Encode(const std::uint8_t* data, std::size_t size, char* out) {
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t group = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        *out++ = kAlphabet[group >> 18];
        *out++ = kAlphabet[(group >> 12) & 63];
        *out++ = kAlphabet[(group >> 6) & 63];
        *out++ = kAlphabet[group & 63];
    }
    const std::size_t rest = size - i;
    if (rest == 0)
        return;
    std::uint32_t group = data[i] << 16;
    if (rest == 2)
        group |= data[i + 1] << 8;
    *out++ = kAlphabet[group >> 18];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    *out++ = '=';
}

void Base64Decoder::feed(const char* text, std::size_t size) {
    // Room for every group the piece can complete, trimmed to what was decoded.
    const std::size_t start = m_out.size();
    m_out.resize(start + (m_count + size) / 4 * 3);
    std::uint8_t* out = m_out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t value = kDecode[in[i]];
        if (value == kSkip)
            continue;
        m_bits = (m_bits << 6) | value;
        if (++m_count == 4) {
            *out++ = static_cast<std::uint8_t>(m_bits >> 16);
            *out++ = static_cast<std::uint8_t>(m_bits >> 8);
            *out++ = static_cast<std::uint8_t>(m_bits);
            m_bits = 0;
            m_count = 0;
        }
    }
    m_out.resize(static_cast<std::size_t>(out - m_out.data()));
}

void Base64Decoder::finish() {
    if (m_count >= 2)
        m_out.push_back(static_cast<std::uint8_t>(m_bits >> (6 * m_count - 8)));
    if (m_count == 3)
        m_out.push_back(static_cast<std::uint8_t>(m_bits >> 2));
    m_bits = 0;
    m_count = 0;
}

}  // namespace platform::plist
