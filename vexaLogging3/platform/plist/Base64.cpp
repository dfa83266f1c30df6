#include "platform/plist/Base64.h"

#include <array>

namespace platform::plist {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// White space and every other character outside the alphabet are passed over.
constexpr std::uint8_t kSkip = 0xFF;
constexpr std::uint8_t kPad = 0xFE;

constexpr std::array<std::uint8_t, 256> makeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = kSkip;
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
    table['='] = kPad;
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
    if (m_ended)
        return;
    // Room for every group the piece can complete, trimmed to what was decoded.
    const std::size_t start = m_out.size();
    m_out.resize(start + (m_count + size) / 4 * 3);
    std::uint8_t* out = m_out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < size) {
        // The common case, a whole group of alphabet characters, in one step; anything
        // else (a group split over pieces, white space, padding) one character at a time.
        if (m_count == 0 && size - i >= 4) {
            const std::uint32_t a = kDecode[in[i]], b = kDecode[in[i + 1]], c = kDecode[in[i + 2]],
                                d = kDecode[in[i + 3]];
            if (((a | b | c | d) & 0xC0) == 0) {
                const std::uint32_t group = (a << 18) | (b << 12) | (c << 6) | d;
                *out++ = static_cast<std::uint8_t>(group >> 16);
                *out++ = static_cast<std::uint8_t>(group >> 8);
                *out++ = static_cast<std::uint8_t>(group);
                i += 4;
                continue;
            }
        }
        const std::uint8_t value = kDecode[in[i++]];
        // Padding counts only after two characters of a group, and ends the value once it
        // fills the group: "QQ==" and "QUI=" end there, a "=" elsewhere is passed over.
        if (value == kPad) {
            if (m_count >= 2 && m_count + ++m_pads >= 4) {
                m_ended = true;
                break;
            }
            continue;
        }
        if (value == kSkip)
            continue;
        m_pads = 0;
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
    if (m_count == 1)
        m_invalid = true;
    if (m_count >= 2)
        m_out.push_back(static_cast<std::uint8_t>(m_bits >> (6 * m_count - 8)));
    if (m_count == 3)
        m_out.push_back(static_cast<std::uint8_t>(m_bits >> 2));
    m_bits = 0;
    m_count = 0;
}

}  // namespace platform::plist
