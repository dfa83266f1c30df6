#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "loglist/LogList.h"

namespace share {

// One record of the log as the shared page shows it: whole, with its own copies of the texts
// and the picture's bytes shared with the LogList, so another thread reads it while the list
// goes on changing.
struct Take {
    LogList::RecordKey key = 0;
    std::string number, start, stop, duration, timeOfDay, comment1, comment2;
    std::shared_ptr<const Picture> picture;
    // Names the picture in URLs and ETags: a new picture (a replaced one too) gets a new id,
    // the same picture keeps it for as long as the program runs. 0 for no picture.
    std::uint64_t pictureId = 0;
};

// The log at one moment, records in the list's order.
struct Snapshot {
    std::vector<Take> takes;
    // The whole list as it stood, its pictures shared, and the project's name: what the
    // hand-over exports are made of.
    LogList log;
    std::string title;
    // Where `key`'s take is, or nullptr.
    const Take* find(LogList::RecordKey key) const;
    // The picture with that id, or nullptr.
    std::shared_ptr<const Picture> picture(std::uint64_t pictureId) const;
};
using SnapshotPtr = std::shared_ptr<const Snapshot>;

// Makes snapshots of one LogList on the main thread. It remembers which picture got which id,
// so that a picture keeps its id from one snapshot to the next.
class SnapshotMaker {
public:
    SnapshotMaker();
    SnapshotPtr make(const LogList& log, std::string title = {});

private:
    struct Known {
        std::weak_ptr<const Picture> picture;
        std::uint64_t id;
    };
    std::unordered_map<const Picture*, Known> m_ids;
    std::uint64_t m_nextId = 1;
};

// Text as a JSON string literal, quotes included; bytes that are not valid UTF-8 become U+FFFD
// so that a browser's JSON parser never refuses the whole log for one odd comment.
std::string jsonString(std::string_view text);
// One take as a JSON object.
std::string takeJson(const Take& take);
// The whole log as JSON: {"takes":[...]} in the list's order.
std::string logJson(const Snapshot& snapshot);

// What changed from one snapshot to the next, as server-sent events ("event: NAME\ndata:
// JSON\n\n"): "take" for a new record, "stop" when a stop time arrives, "comment" for an
// edited comment, "renumber" for a new number, "change" for any other field, "remove" for a
// record gone. A change of order (an insert in the middle, a move) is "reset": the page reads
// the whole log again.
std::vector<std::string> changeEvents(const Snapshot& before, const Snapshot& after);

}  // namespace share
