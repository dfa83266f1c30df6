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
// White space and line breaks between the characters are skipped, and "=" padding is taken
// at the end. Any other character, text after the padding, or a lone character left over
// makes the text invalid: decoding it anyway would hand the user a picture altered without a
// word, so the reader refuses the file and says why.
class Base64Decoder {
public:
    explicit Base64Decoder(std::vector<std::uint8_t>& out) : m_out(out) {}
    void feed(const char* text, std::size_t size);
    // Flushes a last partial group (two or three characters give one or two bytes).
    void finish();
    // False once the text was found not to be Base64; what was decoded then is not the data.
    bool valid() const { return !m_invalid; }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint32_t m_bits = 0;
    int m_count = 0;
    bool m_padded = false;
    bool m_invalid = false;
};

}  // namespace platform::plist
