#include "documents/ExchangeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "loglist/Timecode.h"
#include "platform/files/AtomicFile.h"

namespace exchange {
namespace {

constexpr std::string_view kHeading =
    "Heading\nFIELD_DELIM TABS\nVIDEO_FORMAT PAL\nTAPE 001\nFPS \n\nColumn\n"
    "Name\tTracks\tStart\tEnd\tDuration\ttod\tCOMMENT1\tComment2\tPicturepath\t\n\nData\t\n";

// A row's cells: the tokens from the Name cell to the Picturepath cell; the empty token
// between the row's last tab and its line feed follows them.
constexpr int kCellsPerRow = 9;

// The text of a log without its pictures: a day of a few thousand records is well under a
// megabyte, and the most records a project file holds, with comments, take some 100 MB. Past
// this, cells that long would fill memory before the record bound is met.
constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

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
    // The reader refuses a cell with a control character, which a project file cannot keep:
    // such a log is not written, so that every exchange file written can be read back.
    for (std::size_t index = 0; index < list.count(); ++index) {
        const std::string& text = list.text(index);
        const auto control = std::find_if(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
        });
        if (control != text.end())
            return "Record " + std::to_string(index / kFieldsPerRecord) +
                   " holds a control character (" + std::to_string(static_cast<int>(*control)) +
                   "), which an exchange file cannot keep";
    }
    return platform::writeFileAtomically(path, exchangeText(list));
}

namespace {

// Takes the file's tokens one by one, as they are read, and keeps only the record being
// assembled: memory holds the list, never the file's text or its tokens.
class RowReader {
public:
    explicit RowReader(ExchangeContent& content) : m_content(content) {}

    // False once the file is refused; content.error says why.
    bool take(std::string_view token) {
        if (!m_content.error.empty())
            return false;
        if (!isUtf8(token))
            return refuse("The file is not UTF-8 text");
        if (!m_content.hasDataMarker) {
            m_content.hasDataMarker = equalsIgnoringCase(token, "Data");
            // The first Name cell lies two tokens on, past the empty token between the
            // marker's tab and its line feed.
            m_position = -1;
            return true;
        }
        if (m_position < 0 || m_position == kCellsPerRow) {
            m_position = 0;
            return true;
        }
        // Every token but the Tracks cell is kept. A project file holds no control character
        // but tab, line feed and carriage return, and would lose it on the way: such a cell
        // is refused here, where the user can still see which row holds it.
        if (m_position != 1) {
            const auto control = std::find_if(token.begin(), token.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 && c != '\r';
            });
            if (control != token.end())
                return refuse("Row " + std::to_string(records() + 1) +
                              " holds a control character (" +
                              std::to_string(static_cast<int>(*control)) +
                              "), which a project file cannot keep");
            m_cells[static_cast<std::size_t>(m_position == 0 ? 0 : m_position - 1)] = token;
        }
        if (++m_position == kCellsPerRow)
            return addRecord();
        return true;
    }

    void finish() {
        if (m_content.error.empty() && m_content.list.count() == 0)
            m_content.list.append(newLogHeader());
    }

private:
    std::size_t records() const { return m_content.list.count() / kFieldsPerRecord; }

    bool refuse(std::string reason) {
        m_content.error = std::move(reason);
        m_content.list = LogList();
        return false;
    }

    bool addRecord() {
        // What the project file's reader would refuse is refused here, before anything is
        // written: a log converted or imported can always be opened again.
        if (records() >= kMaxRecords)
            return refuse("The log holds more than " + std::to_string(kMaxRecords - 1) +
                          " records, more than a project file can hold");
        const bool header = m_content.list.count() == 0;
        auto& c = m_cells;
        m_content.list.append({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], std::string(),
                               header ? LogValue(std::string()) : LogValue(Picture())});
        m_content.lastNumber = timecode::intValue(c[0]);
        return true;
    }

    ExchangeContent& m_content;
    // Name, then Start to Picturepath.
    std::array<std::string, kCellsPerRow - 1> m_cells;
    // The next token's place in its row: 0 the Name cell, 9 the token after the last cell.
    int m_position = -1;
};

// Splits text, piece by piece, at every single tab or line feed: empty tokens count.
class Tokenizer {
public:
    explicit Tokenizer(RowReader& rows) : m_rows(rows) {}

    bool feed(std::string_view piece) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            if (piece[i] != '\t' && piece[i] != '\n')
                continue;
            if (!emit(piece.substr(start, i - start)))
                return false;
            start = i + 1;
        }
        m_partial.append(piece.substr(start));
        return true;
    }

    void finish() {
        if (emit({}))
            m_rows.finish();
    }

private:
    bool emit(std::string_view tail) {
        if (m_partial.empty())
            return m_rows.take(tail);
        m_partial.append(tail);
        const bool taken = m_rows.take(m_partial);
        m_partial.clear();
        return taken;
    }

    RowReader& m_rows;
    std::string m_partial;
};

}  // namespace

ExchangeContent parseExchangeText(std::string_view text) {
    ExchangeContent content;
    RowReader rows(content);
    Tokenizer tokens(rows);
    if (tokens.feed(text))
        tokens.finish();
    return content;
}

ExchangeContent readExchangeFile(const std::string& path) {
    ExchangeContent content;
    // Not blocking on the open: a pipe with no writer would wait forever, before fstat could
    // tell that it is no file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        content.error = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        content.error = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        content.error = "The file is a pipe or a device, not a regular file";
    } else if (static_cast<unsigned long long>(info.st_size) > kMaxFileBytes) {
        content.error = "The file is too large for a log exchange file";
    }
    if (!content.error.empty()) {
        if (fd >= 0)
            ::close(fd);
        return content;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    try {
        // A row is at least its nine tabs and a line feed.
        content.list.reserve(
            std::min(static_cast<std::size_t>(info.st_size) / 10 + 1, kMaxRecords));
        RowReader rows(content);
        Tokenizer tokens(rows);
        std::vector<char> piece(1 << 16);
        std::size_t total = 0;
        bool going = true;
        while (going) {
            const ssize_t got = ::read(fd, piece.data(), piece.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                content.error = "The file cannot be read";
                break;
            }
            if (got == 0) {
                tokens.finish();
                break;
            }
            // A file that grows while it is read is held to the bound all the same.
            total += static_cast<std::size_t>(got);
            if (total > kMaxFileBytes) {
                content.error = "The file is too large for a log exchange file";
                break;
            }
            going = tokens.feed(std::string_view(piece.data(), static_cast<std::size_t>(got)));
        }
    } catch (const std::bad_alloc&) {
        content.error = "Not enough memory to hold the log";
    }
    ::close(fd);
    if (!content.error.empty())
        content.list = LogList();
    return content;
}

}  // namespace exchange
