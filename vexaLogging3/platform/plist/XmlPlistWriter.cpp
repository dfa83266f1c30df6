#include "platform/plist/XmlPlistWriter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/files/AtomicFile.h"
#include "platform/plist/Base64.h"

namespace platform::plist {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Bytes of Base64 input per folded line: 68 characters, the width plistlib and macOS use
// for data one level down (76 less the indent counted as eight columns).
constexpr std::size_t kDataBytesPerLine = 51;

// Collects output in a fixed buffer and hands it to the file in large writes.
class Output {
public:
    explicit Output(AtomicFile& file) : m_file(file), m_buffer(1 << 20) {}

    void put(std::string_view text) {
        if (m_buffer.size() - m_used < text.size())
            flush();
        if (text.size() > m_buffer.size()) {
            m_ok = m_ok && m_file.write(text.data(), text.size());
            return;
        }
        std::memcpy(m_buffer.data() + m_used, text.data(), text.size());
        m_used += text.size();
    }
    void put(char c) {
        if (m_used == m_buffer.size())
            flush();
        m_buffer[m_used++] = c;
    }
    // Room for `size` bytes written straight into the buffer, then committed with used().
    char* reserve(std::size_t size) {
        if (m_buffer.size() - m_used < size)
            flush();
        return m_buffer.data() + m_used;
    }
    void used(std::size_t size) { m_used += size; }
    bool flush() {
        if (m_used > 0)
            m_ok = m_ok && m_file.write(m_buffer.data(), m_used);
        m_used = 0;
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    AtomicFile& m_file;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    bool m_ok = true;
};

// Length of the well-formed UTF-8 sequence at `s` that XML may carry, or 0.
std::size_t validSequence(const unsigned char* s, std::size_t left) {
    const unsigned char lead = s[0];
    std::size_t length;
    char32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (s[i] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool notCharacter = code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return overlong || surrogate || notCharacter ? 0 : length;
}

void putEscaped(Output& out, const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t plainFrom = 0;
    auto putPlain = [&](std::size_t to) {
        out.put(std::string_view(text.data() + plainFrom, to - plainFrom));
    };
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = s[i];
        const bool plainAscii = c >= 0x20 && c < 0x80 && c != '&' && c != '<' && c != '>';
        if (plainAscii || c == '\t' || c == '\n') {
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (c >= 0x80) {
            length = validSequence(s + i, size - i);
            if (length > 0) {
                i += length;
                continue;
            }
            length = 1;
        }
        putPlain(i);
        switch (c) {
            case '&':
                out.put("&amp;");
                break;
            case '<':
                out.put("&lt;");
                break;
            case '>':
                out.put("&gt;");
                break;
            case '\r':
                out.put("&#13;");
                break;
            default:
                if (c >= 0x80)
                    out.put(kReplacement);
                break;
        }
        i += length;
        plainFrom = i;
    }
    putPlain(size);
}

void putData(Output& out, const Picture& data) {
    out.put("\t<data>\n");
    for (std::size_t at = 0; at < data.size(); at += kDataBytesPerLine) {
        const std::size_t bytes = std::min(kDataBytesPerLine, data.size() - at);
        const std::size_t chars = base64EncodedSize(bytes);
        char* line = out.reserve(chars + 2);
        line[0] = '\t';
        base64Encode(data.data() + at, bytes, line + 1);
        line[chars + 1] = '\n';
        out.used(chars + 2);
    }
    out.put("\t</data>\n");
}

}  // namespace

bool writeXmlPropertyList(AtomicFile& file, const ArraySource& values,
                          const std::function<void(double)>& progress) {
    Output out(file);
    out.put(kHeader);
    const std::size_t count = values.count();
    if (count == 0) {
        out.put("<array/>\n");
    } else {
        out.put("<array>\n");
        const std::size_t step = std::max<std::size_t>(1, count / 100);
        for (std::size_t i = 0; i < count && out.ok(); ++i) {
            if (values.isData(i)) {
                putData(out, values.data(i));
            } else {
                out.put("\t<string>");
                putEscaped(out, values.text(i));
                out.put("</string>\n");
            }
            if (progress && i % step == 0)
                progress(static_cast<double>(i) / count);
        }
        out.put("</array>\n");
    }
    out.put(kFooter);
    return out.flush();
}

}  // namespace platform::plist
