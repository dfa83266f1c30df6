#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::plist {

// Standard Base64 (RFC 4648 alphabet, "=" padding) as property lists carry picture bytes.

// Writes the encoding of `size` bytes to `out`, which must have room for
// base64EncodedSize(size) characters. No line breaks: the writer folds the lines itself.
void base64Encode(const std::uint8_t* data, std::size_t size, char* out);
inline std::size_t base64EncodedSize(std::size_t size) {
    return (size + 2) / 3 * 4;
}

// Decodes Base64 text that arrives in pieces, as an XML parser hands over character data.
// It reads what Python's plistlib and the program's earlier builds read: characters outside
// the alphabet (white space, line breaks, stray marks) are passed over, and the padding that
// closes a group ends the value, whatever follows it. Only a lone character left over at the
// end, which no bytes encode to, makes the text invalid. A last group without its padding is
// taken as if it had it.
class Base64Decoder {
public:
    explicit Base64Decoder(std::vector<std::uint8_t>& out) : m_out(out) {}
    void feed(const char* text, std::size_t size);
    // Flushes a last partial group (two or three characters give one or two bytes), the one
    // the padding closed included.
    void finish();
    // False when a lone character was left over; what was decoded then is not the data.
    bool valid() const { return !m_invalid; }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint32_t m_bits = 0;
    int m_count = 0;
    // "=" seen since the group's last character; a group of two ends at the second.
    int m_pads = 0;
    bool m_ended = false;
    bool m_invalid = false;
};

}  // namespace platform::plist
