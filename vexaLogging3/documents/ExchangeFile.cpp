#include "documents/ExchangeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "documents/AtomicFile.h"
#include "loglist/Timecode.h"

namespace exchange {
namespace {

constexpr std::string_view kHeading =
    "Heading\nFIELD_DELIM TABS\nVIDEO_FORMAT PAL\nTAPE 001\nFPS \n\nColumn\n"
    "Name\tTracks\tStart\tEnd\tDuration\ttod\tCOMMENT1\tComment2\tPicturepath\t\n\nData\t\n";

// A row's cells: the tokens from the Name cell to the Picturepath cell, and the empty token
// between the row's last tab and its line feed.
constexpr std::size_t kTokensPerRow = 10;
constexpr std::size_t kCellsPerRow = 9;

// The text of a log without its pictures: a day of a few thousand records is well under a
// megabyte, so anything past this is not an exchange file.
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

void appendCell(std::string& out, const std::string& cell) {
    for (const char c : cell) out.push_back(c == '\t' || c == '\n' ? ' ' : c);
    out.push_back('\t');
}

// The cells are the user's text: anything but well-formed UTF-8 is refused rather than
// guessed at, so that what comes in is what the project file can hold.
bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        unsigned int smallest = 0;
        unsigned int code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, smallest = 0x80, code = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, smallest = 0x800, code = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, smallest = 0x10000, code = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string exchangeText(const LogList& list) {
    std::string text;
    text.reserve(65000);
    text.append(kHeading);
    for (int record = 0; record <= list.recordCount(); ++record) {
        const auto field = [&](int k) -> const std::string& {
            return list.text(LogList::indexOf(record, k));
        };
        appendCell(text, field(kFieldNumber));
        appendCell(text, "V");
        for (int k = kFieldStart; k <= kFieldDate; ++k) appendCell(text, field(k));
        text.push_back('\n');
    }
    return text;
}

std::string writeExchangeFile(const std::string& path, const LogList& list) {
    return document::writeFileAtomically(path, exchangeText(list));
}

ExchangeContent parseExchangeText(std::string_view text) {
    ExchangeContent content;
    if (!isUtf8(text)) {
        content.error = "The file is not UTF-8 text";
        return content;
    }
    // Every single tab or line feed separates two tokens, so empty tokens count.
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\t' || text[i] == '\n') {
            tokens.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    const auto marker = std::find_if(tokens.begin(), tokens.end(), [](std::string_view t) {
        return equalsIgnoringCase(t, "Data");
    });
    if (marker == tokens.end())
        return content;
    content.hasDataMarker = true;

    // The first Name cell lies two tokens after the marker, past the empty token between the
    // marker's tab and its line feed.
    for (std::size_t row = static_cast<std::size_t>(marker - tokens.begin()) + 2;
         row + kCellsPerRow <= tokens.size(); row += kTokensPerRow) {
        const auto cell = [&](std::size_t k) { return std::string(tokens[row + k]); };
        const bool header = content.list.count() == 0;
        // Name, then Start to Picturepath; the Tracks cell is skipped.
        content.list.append({cell(0), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7), cell(8),
                             std::string(),
                             header ? LogValue(std::string()) : LogValue(Picture())});
        content.lastNumber = timecode::intValue(tokens[row]);
    }
    if (content.list.count() == 0)
        content.list.append(newLogHeader());
    return content;
}

ExchangeContent readExchangeFile(const std::string& path) {
    ExchangeContent content;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        content.error = std::strerror(errno);
        return content;
    }
    // Read in pieces and given up past the bound, so that a huge file (or a pipe that never
    // ends) is refused before it fills memory.
    std::string text;
    char piece[1 << 16];
    while (file.read(piece, sizeof piece) || file.gcount() > 0) {
        text.append(piece, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxFileBytes) {
            content.error = "The file is too large for a log exchange file";
            return content;
        }
    }
    if (file.bad()) {
        content.error = "The file cannot be read";
        return content;
    }
    return parseExchangeText(text);
}

}  // namespace exchange
