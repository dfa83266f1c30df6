#include "share/ShareSnapshot.h"

#include <charconv>
#include <random>
#include <unordered_set>

#include "loglist/Timecode.h"

namespace share {

const Take* Snapshot::find(LogList::RecordKey key) const {
    for (const Take& take : takes)
        if (take.key == key)
            return &take;
    return nullptr;
}

std::shared_ptr<const Picture> Snapshot::picture(std::uint64_t pictureId) const {
    for (const Take& take : takes)
        if (take.pictureId == pictureId)
            return take.picture;
    return nullptr;
}

SnapshotMaker::SnapshotMaker() {
    // Ids start at a random place each run: a browser that cached a picture by its URL in
    // an earlier run never takes another picture for it.
    std::random_device random;
    m_nextId = (std::uint64_t{random()} << 20) + 1;
}

SnapshotPtr SnapshotMaker::make(const LogList& log, std::string title) {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->log = log;
    snapshot->title = std::move(title);
    const int records = log.recordCount();
    snapshot->takes.reserve(static_cast<std::size_t>(records > 0 ? records : 0));
    std::unordered_set<const Picture*> seen;
    for (int record = 1; record <= records; ++record) {
        Take take;
        take.key = log.recordKey(record);
        const auto text = [&](int field) { return log.text(LogList::indexOf(record, field)); };
        take.number = text(kFieldNumber);
        take.start = text(kFieldStart);
        take.stop = text(kFieldStop);
        // As the editor shows it: the log's own duration field is never filled in.
        take.duration = timecode::durationCalculate(take.start, take.stop);
        take.timeOfDay = text(kFieldTimeOfDay);
        take.comment1 = text(kFieldComment1);
        take.comment2 = text(kFieldComment2);
        take.picture = log.sharedPicture(LogList::indexOf(record, kFieldPicture));
        if (take.picture != nullptr && take.picture->empty())
            take.picture.reset();
        if (take.picture != nullptr) {
            // The address alone could be reused by a later picture once this one is gone; the
            // weak pointer tells a picture still alive from a newcomer at the same address.
            auto [at, added] = m_ids.try_emplace(take.picture.get(), Known{take.picture, 0});
            if (added || at->second.picture.lock() != take.picture)
                at->second = Known{take.picture, m_nextId++};
            take.pictureId = at->second.id;
            seen.insert(take.picture.get());
        }
        snapshot->takes.push_back(std::move(take));
    }
    std::erase_if(m_ids, [&](const auto& entry) { return !seen.contains(entry.first); });
    return snapshot;
}

std::string jsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c == '\n') {
                out += "\\n";
            } else if (c == '\r') {
                out += "\\r";
            } else if (c == '\t') {
                out += "\\t";
            } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&') {
                // Also the characters that would end a script element or start markup, so
                // that the text is safe wherever a page puts it.
                static const char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0x0F];
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence passes as it is; anything else is one replacement.
        std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (c >= 0xF5)
            length = 0;
        bool good = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; good && k < length; ++k)
            good = (byte(i + k) & 0xC0) == 0x80;
        if (good && length == 3) {
            const unsigned second = byte(i + 1);
            good = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0);
        }
        if (good && length == 4) {
            const unsigned second = byte(i + 1);
            good = !(c == 0xF0 && second < 0x90) && !(c == 0xF4 && second >= 0x90);
        }
        if (good) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\\ufffd";
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string takeJson(const Take& take) {
    std::string out = "{\"key\":" + std::to_string(take.key);
    const auto field = [&](const char* name, const std::string& value) {
        out += ",\"";
        out += name;
        out += "\":";
        out += jsonString(value);
    };
    field("number", take.number);
    field("start", take.start);
    field("stop", take.stop);
    field("duration", take.duration);
    field("timeOfDay", take.timeOfDay);
    field("comment1", take.comment1);
    field("comment2", take.comment2);
    if (take.pictureId != 0) {
        char digits[17];
        const auto end = std::to_chars(digits, digits + sizeof digits, take.pictureId, 16).ptr;
        const std::string id(digits, end);
        out += ",\"thumb\":\"thumb/" + id + ".jpg\",\"picture\":\"picture/" + id + ".jpg\"";
    } else {
        out += ",\"thumb\":null,\"picture\":null";
    }
    out += '}';
    return out;
}

std::string logJson(const Snapshot& snapshot) {
    std::string out = "{\"takes\":[";
    bool first = true;
    for (const Take& take : snapshot.takes) {
        if (!first)
            out += ',';
        first = false;
        out += takeJson(take);
    }
    out += "]}";
    return out;
}

namespace {

std::string event(const char* name, const std::string& data) {
    return std::string("event: ") + name + "\ndata: " + data + "\n\n";
}

}  // namespace

std::vector<std::string> changeEvents(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> events;
    std::unordered_map<LogList::RecordKey, const Take*> old;
    for (const Take& take : before.takes)
        old.emplace(take.key, &take);
    std::unordered_set<LogList::RecordKey> kept;
    bool newSeen = false;
    for (const Take& take : after.takes) {
        const auto at = old.find(take.key);
        if (at == old.end()) {
            newSeen = true;
            continue;
        }
        // A record the page has, after one it does not: an insert in the middle.
        if (newSeen)
            return {event("reset", "{}")};
        kept.insert(take.key);
    }
    for (const Take& take : before.takes)
        if (!kept.contains(take.key))
            events.push_back(event("remove", "{\"key\":" + std::to_string(take.key) + "}"));
    for (const Take& take : after.takes) {
        const auto at = old.find(take.key);
        if (at == old.end()) {
            events.push_back(event("take", takeJson(take)));
            continue;
        }
        const Take& was = *at->second;
        const char* name = nullptr;
        if (was.stop != take.stop)
            name = "stop";
        else if (was.comment1 != take.comment1 || was.comment2 != take.comment2)
            name = "comment";
        else if (was.number != take.number)
            name = "renumber";
        else if (was.start != take.start || was.duration != take.duration ||
                 was.timeOfDay != take.timeOfDay || was.pictureId != take.pictureId)
            name = "change";
        if (name != nullptr)
            events.push_back(event(name, takeJson(take)));
    }
    return events;
}

}  // namespace share
