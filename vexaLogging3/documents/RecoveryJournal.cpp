#include "documents/RecoveryJournal.h"

#include <array>
#include <optional>
#include <variant>

namespace recovery {
namespace {

enum Kind : char {
    kPicture = 'I',
    kRecord = 'R',
    kOrder = 'O',
    kDocument = 'D',
    kCommit = 'C',
};
constexpr char kText = 'T';
constexpr char kPictureRef = 'P';
// Larger than any entry a log makes; a length past it is a garbled one, not a reason to try
// reading gigabytes.
constexpr std::uint32_t kLargestEntry = 1u << 30;
// Bytes gathered before they go to the sink: a large batch is not held twice in memory.
constexpr std::size_t kChunk = 4u << 20;

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes) c = table[(c ^ static_cast<std::uint8_t>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// One entry at a time: its payload is built, then framed with its length and checksum.
class Batch {
public:
    Batch(std::string prefix, const JournalWriter::Sink& sink)
        : m_out(std::move(prefix)), m_sink(sink) {}
    std::string& begin(Kind kind) {
        m_payload.assign(1, kind);
        return m_payload;
    }
    void end() {
        putNumber(m_out, m_payload.size(), 4);
        putNumber(m_out, crc32(m_payload), 4);
        m_out += m_payload;
        if (m_out.size() >= kChunk)
            flush();
    }
    void flush() {
        if (m_ok && !m_out.empty())
            m_ok = m_sink(m_out);
        m_out.clear();
    }
    bool finish() {
        flush();
        return m_ok && m_sink({});
    }

private:
    std::string m_out, m_payload;
    const JournalWriter::Sink& m_sink;
    bool m_ok = true;
};

}  // namespace

bool JournalWriter::writeChanges(LogList list, const std::string& documentPath, bool unsaved,
                                 std::int64_t changed, const Sink& sink) {
    return write(m_written, std::move(list), documentPath, unsaved, changed, {}, sink);
}

bool JournalWriter::writeWhole(const Sink& sink) {
    LogList list = m_written.list;
    const std::string path = m_written.documentPath;
    return write(State{}, std::move(list), path, m_unsaved, m_changed, std::string(kJournalMark),
                 sink);
}

bool JournalWriter::write(const State& from, LogList list, const std::string& documentPath,
                          bool unsaved, std::int64_t changed, std::string prefix,
                          const Sink& sink) {
    Batch batch(std::move(prefix), sink);
    State next;
    std::uint64_t nextPicture = m_nextPicture;
    bool reordered = list.count() != from.list.count();
    const int places = static_cast<int>(list.count() / kFieldsPerRecord);
    for (int place = 0; place < places; ++place) {
        const LogList::RecordKey key = list.recordKey(place);
        next.places.emplace(key, place);
        reordered = reordered || from.list.recordKey(place) != key;
        const auto before = from.places.find(key);
        bool changedRecord = before == from.places.end();
        std::string fields;
        for (int k = 0; k < kFieldsPerRecord; ++k) {
            const std::size_t index = LogList::indexOf(place, k);
            const std::size_t old = changedRecord ? 0 : LogList::indexOf(before->second, k);
            if (!list.holdsPicture(index)) {
                const std::string& text = list.text(index);
                changedRecord =
                    changedRecord || from.list.holdsPicture(old) || from.list.text(old) != text;
                fields.push_back(kText);
                putNumber(fields, text.size(), 4);
                fields += text;
                next.bytes += text.size() + 5;
                continue;
            }
            // A stored picture never changes, so the same address is the same picture, as
            // long as the list that holds it is kept.
            const Picture& picture = list.picture(index);
            std::uint64_t number = 0;
            if (!picture.empty()) {
                if (const auto known = next.pictures.find(&picture); known != next.pictures.end()) {
                    number = known->second;
                } else if (const auto written = from.pictures.find(&picture);
                           written != from.pictures.end()) {
                    number = written->second;
                    next.pictures.emplace(&picture, number);
                    next.bytes += picture.size() + 13;
                } else {
                    number = nextPicture++;
                    next.pictures.emplace(&picture, number);
                    next.bytes += picture.size() + 13;
                    std::string& payload = batch.begin(kPicture);
                    putNumber(payload, number, 8);
                    payload.append(reinterpret_cast<const char*>(picture.data()), picture.size());
                    batch.end();
                }
            }
            changedRecord = changedRecord || !from.list.holdsPicture(old) ||
                            &from.list.picture(old) != &picture;
            fields.push_back(kPictureRef);
            putNumber(fields, number, 8);
            next.bytes += 9;
        }
        if (changedRecord) {
            std::string& payload = batch.begin(kRecord);
            putNumber(payload, key, 8);
            payload += fields;
            batch.end();
        }
    }
    if (reordered) {
        std::string& payload = batch.begin(kOrder);
        for (int place = 0; place < places; ++place) putNumber(payload, list.recordKey(place), 8);
        batch.end();
    }
    next.bytes += 9 + 8 * static_cast<std::uint64_t>(places) + documentPath.size() + 40;
    if (documentPath != from.documentPath) {
        batch.begin(kDocument) += documentPath;
        batch.end();
    }
    std::string& commit = batch.begin(kCommit);
    commit.push_back(unsaved ? 1 : 0);
    putNumber(commit, static_cast<std::uint64_t>(changed), 8);
    batch.end();
    if (!batch.finish())
        return false;
    next.list = std::move(list);
    next.documentPath = documentPath;
    m_written = std::move(next);
    m_unsaved = unsaved;
    m_changed = changed;
    m_nextPicture = nextPicture;
    return true;
}

namespace {

using Field = std::variant<std::string, std::uint64_t>;  // a text, or a picture's number
using StoredRecord = std::array<Field, kFieldsPerRecord>;

// Reads the numbers and texts of one payload; any read past its end marks it garbled.
struct Reader {
    std::string_view rest;
    bool ok = true;
    std::uint64_t number(int bytes) {
        if (rest.size() < static_cast<std::size_t>(bytes)) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint64_t(static_cast<std::uint8_t>(rest[i])) << (8 * i);
        rest.remove_prefix(static_cast<std::size_t>(bytes));
        return value;
    }
    std::string_view take(std::size_t size) {
        if (rest.size() < size) {
            ok = false;
            size = rest.size();
        }
        const std::string_view taken = rest.substr(0, size);
        rest.remove_prefix(size);
        return taken;
    }
};

struct Replay {
    std::unordered_map<std::uint64_t, Picture> pictures;
    std::unordered_map<LogList::RecordKey, StoredRecord> records;
    std::vector<LogList::RecordKey> order;
    std::string documentPath;
    bool unsaved = false;
    std::int64_t changed = 0;

    bool apply(std::string_view payload) {
        Reader in{payload.substr(1)};
        switch (payload[0]) {
            case kPicture: {
                const std::uint64_t number = in.number(8);
                const std::string_view bytes = in.rest;
                pictures[number].assign(bytes.begin(), bytes.end());
                return in.ok;
            }
            case kRecord: {
                const LogList::RecordKey key = in.number(8);
                StoredRecord record;
                for (Field& field : record) {
                    const char kind =
                        in.take(1) == std::string_view(&kPictureRef, 1) ? kPictureRef : kText;
                    if (kind == kPictureRef)
                        field = in.number(8);
                    else
                        field = std::string(in.take(in.number(4)));
                }
                records[key] = std::move(record);
                return in.ok && in.rest.empty();
            }
            case kOrder:
                order.clear();
                while (!in.rest.empty() && in.ok) order.push_back(in.number(8));
                return in.ok;
            case kDocument:
                documentPath = std::string(in.rest);
                return true;
            default:
                return false;
        }
    }
};

}  // namespace

JournalContents readJournal(std::istream& in) {
    JournalContents contents;
    std::string mark(kJournalMark.size(), '\0');
    in.read(mark.data(), static_cast<std::streamsize>(mark.size()));
    if (in.gcount() == 0) {
        // Made, and ended before anything was written: nothing to restore.
        contents.readable = true;
        return contents;
    }
    if (mark != kJournalMark) {
        contents.error = "it is no recovery journal";
        return contents;
    }
    Replay replay;
    // The entries of the batch under way; they count only once its commit is read.
    std::vector<std::string> batch;
    std::string payload;
    for (;;) {
        char frame[8];
        in.read(frame, sizeof frame);
        if (in.gcount() != sizeof frame)
            break;
        Reader header{std::string_view(frame, sizeof frame)};
        const auto size = static_cast<std::uint32_t>(header.number(4));
        const auto sum = static_cast<std::uint32_t>(header.number(4));
        if (size == 0 || size > kLargestEntry)
            break;
        payload.resize(size);
        in.read(payload.data(), size);
        // Torn by a kill or a full disk, or garbled: this entry and what follows are dropped.
        if (static_cast<std::uint32_t>(in.gcount()) != size || crc32(payload) != sum)
            break;
        if (payload[0] != kCommit) {
            batch.push_back(std::move(payload));
            payload.clear();
            continue;
        }
        Reader commit{std::string_view(payload).substr(1)};
        const bool unsaved = commit.number(1) != 0;
        const auto changed = static_cast<std::int64_t>(commit.number(8));
        for (const std::string& entry : batch) {
            if (!replay.apply(entry)) {
                contents.error = "an entry of it is garbled";
                return contents;
            }
        }
        batch.clear();
        replay.unsaved = unsaved;
        replay.changed = changed;
    }

    contents.readable = true;
    contents.unsaved = replay.unsaved;
    contents.changed = replay.changed;
    contents.documentPath = replay.documentPath;
    if (!replay.unsaved)
        return contents;
    // A picture goes into the log moved at its last use, so the log is not held twice.
    std::unordered_map<std::uint64_t, int> uses;
    for (const LogList::RecordKey key : replay.order) {
        const auto record = replay.records.find(key);
        if (record == replay.records.end()) {
            contents.readable = false;
            contents.error = "a record of it is missing";
            return contents;
        }
        for (const Field& field : record->second)
            if (const auto* number = std::get_if<std::uint64_t>(&field); number && *number != 0)
                ++uses[*number];
    }
    for (const LogList::RecordKey key : replay.order) {
        for (Field& field : replay.records[key]) {
            if (auto* text = std::get_if<std::string>(&field)) {
                contents.entries.emplace_back(std::move(*text));
                continue;
            }
            const std::uint64_t number = std::get<std::uint64_t>(field);
            if (number == 0) {
                contents.entries.emplace_back(Picture());
                continue;
            }
            const auto picture = replay.pictures.find(number);
            if (picture == replay.pictures.end()) {
                contents.readable = false;
                contents.error = "a picture of it is missing";
                contents.entries.clear();
                return contents;
            }
            if (--uses[number] == 0)
                contents.entries.emplace_back(std::move(picture->second));
            else
                contents.entries.emplace_back(picture->second);
        }
    }
    return contents;
}

}  // namespace recovery
