#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// One value of the LogList: text, or the encoded bytes of a picture (field 9 of a record).
// An empty byte buffer is "no picture"; it is still a value, so every field index of an
// existing record can be read.
using Picture = std::vector<std::uint8_t>;
using LogValue = std::variant<std::string, Picture>;

// What a view of the whole log hears from the LogList, after each change: enough to move
// its rows along without reading the whole list again. Records are numbered as the list
// numbers them, the header being record 0.
class LogListObserver {
public:
    virtual ~LogListObserver() = default;
    virtual void recordsInserted(int first, int count) = 0;
    virtual void recordsRemoved(int first, int count) = 0;
    virtual void valueChanged(int record, int field) = 0;
    // Anything else: the list was emptied or put in place of another.
    virtual void listReset() = 0;
};

// The fields of a LogRecord, at these offsets from 10 * record.
enum LogField : int {
    kFieldNumber = 0,
    kFieldStart = 1,
    kFieldStop = 2,
    kFieldDuration = 3,
    kFieldTimeOfDay = 4,
    kFieldComment1 = 5,
    kFieldComment2 = 6,
    kFieldDate = 7,
    kFieldReserved = 8,
    kFieldPicture = 9,
};
inline constexpr int kFieldsPerRecord = 10;
// The most records, the header's included, that a project file holds and is still read back:
// every reader and every writer of logs keeps to it, so that what is written can be opened.
inline constexpr std::size_t kMaxRecords = 1'000'000;

using LogRecord = std::array<LogValue, kFieldsPerRecord>;

// The log as one flat sequence of values, ten per record, record 0 being the header.
// Everything in the program addresses it by index (10 * record + field), so this class
// keeps that shape and adds only bounds that hold: a change is one call, and a record is
// appended or removed as a whole.
//
// Not thread-safe on purpose: the list lives on the main thread; device events hand their
// changes over to it instead of writing from the MIDI thread.
//
// A stored picture never changes (a new picture replaces the value), so copies of the list
// share the pictures' bytes: a copy costs the texts only, and it may be read on another
// thread (a save, a recovery snapshot) while this list goes on changing.
class LogList {
public:
    LogList() = default;
    // A copy is another list: it gets a revision of its own, so an index built over one
    // list never takes the other for it.
    LogList(const LogList& other) : m_values(other.m_values), m_keys(other.m_keys) {}
    LogList(LogList&& other) noexcept
        : m_values(std::move(other.m_values)), m_keys(std::move(other.m_keys)) {
        other.m_values.clear();
        other.m_keys.clear();
        other.placesMoved();
        other.touch();
    }
    LogList& operator=(const LogList& other) {
        m_values = other.m_values;
        m_keys = other.m_keys;
        placesMoved();
        touch();
        notifyReset();
        return *this;
    }
    LogList& operator=(LogList&& other) noexcept {
        m_values = std::move(other.m_values);
        m_keys = std::move(other.m_keys);
        other.m_values.clear();
        other.m_keys.clear();
        placesMoved();
        other.placesMoved();
        touch();
        other.touch();
        notifyReset();
        other.notifyReset();
        return *this;
    }

    std::size_t count() const { return m_values.size(); }
    // (number of values) / 10 - 1, the derived record count; 0 for a header-only list.
    int recordCount() const;
    // The test used throughout: more than 19 values.
    bool hasRecords() const { return m_values.size() > 19; }

    bool holdsPicture(std::size_t index) const {
        return index < m_values.size() && std::holds_alternative<SharedPicture>(m_values[index]);
    }
    // The text at an index; "" for a picture value or an index past the end. The reference
    // stays good until the list next changes.
    const std::string& text(std::size_t index) const;
    // The picture bytes at an index; empty for a text value or an index past the end.
    const Picture& picture(std::size_t index) const;
    // The picture at an index, shared with the list, for a reader on another thread that
    // must keep it past the list's next change; nullptr for a text value or an index past
    // the end.
    std::shared_ptr<const Picture> sharedPicture(std::size_t index) const;
    // The value at an index as a copy of its own; an empty text past the end.
    LogValue value(std::size_t index) const;

    // Changes that name a place the list does not have change nothing and answer false.
    bool replace(std::size_t index, LogValue value);
    void append(LogRecord record);
    // Room for `records` records in all, so that a long log read in grows without the
    // doubling copies that briefly need three times its size.
    void reserve(std::size_t records) {
        m_values.reserve(records * kFieldsPerRecord);
        m_keys.reserve(records);
    }
    // Inserts the ten values before record `record` (index 10 * record); record may be
    // one past the last record, which appends. A record brought back (an undo of its removal)
    // passes the key it had, so that work still looking for it finds it; 0 gives a new key.
    bool insertRecord(int record, LogRecord recordValues, std::uint64_t key = 0);
    bool removeRecord(int record);
    void clear() {
        m_values.clear();
        m_keys.clear();
        placesMoved();
        touch();
        notifyReset();
    }

    // The one view told of every change, after it is made; nullptr for none. It stays with
    // this list: a copy or a list moved in does not bring one along, so a snapshot read on
    // another thread never calls into a view.
    void setObserver(LogListObserver* observer) { m_observer = observer; }

    // Each record gets a key when it enters the list, unique in the whole program and kept
    // while the record moves (records inserted or removed before it) or has its fields
    // replaced. Work that finishes later for one record (its grabbed picture) finds it again
    // by the key. A record removed takes its key along; one pasted back in gets a new one, one
    // brought back by an undo the key it had.
    using RecordKey = std::uint64_t;
    // 0 for a place that holds no record.
    RecordKey recordKey(int record) const;
    // The place of the record with that key, looked for first around `near`; 0 when the
    // list no longer holds it. Far from `near` it costs a binary search, after a rebuild
    // of the index when places have shifted since the last search.
    int findRecord(RecordKey key, int near) const;

    // Changes with every change of the list, and differs between any two lists: what was
    // derived from the list at one revision is still good while the revision stays.
    std::uint64_t revision() const { return m_revision; }

    static std::size_t indexOf(int record, int field) {
        return static_cast<std::size_t>(record) * kFieldsPerRecord +
               static_cast<std::size_t>(field);
    }

private:
    using SharedPicture = std::shared_ptr<const Picture>;
    using StoredValue = std::variant<std::string, SharedPicture>;
    static StoredValue stored(LogValue&& value);

    void notifyReset() {
        if (m_observer != nullptr)
            m_observer->listReset();
    }
    // A record entered at or left from the end keeps the index of places current; any other
    // move of places drops it until the next search.
    void keyAppended(RecordKey key, int place);
    void keyRemoved(RecordKey key, int place);
    void placesMoved() {
        m_placesCurrent = false;
        m_places.clear();
    }
    void touch() { m_revision = s_revisions.fetch_add(1, std::memory_order_relaxed) + 1; }
    static RecordKey newKey() { return s_keys.fetch_add(1, std::memory_order_relaxed) + 1; }

    static inline std::atomic<std::uint64_t> s_revisions{0};
    static inline std::atomic<RecordKey> s_keys{0};
    std::vector<StoredValue> m_values;
    // One key per record, the header's included, in record order.
    std::vector<RecordKey> m_keys;
    // The place of every record's key, sorted by key, for findRecord. A cache: built on the
    // main thread by a search, never copied with the list.
    mutable std::vector<std::pair<RecordKey, int>> m_places;
    mutable bool m_placesCurrent = false;
    LogListObserver* m_observer = nullptr;
    std::uint64_t m_revision = s_revisions.fetch_add(1, std::memory_order_relaxed) + 1;
};

// The header's entry that keeps the player's frame-rate code with the log: the rate bits of the
// MMC hours byte, 0, 32, 64 or 96 for 24, 25, 29.97 and 30.
inline constexpr std::size_t kHeaderFrameRate = 4;

// The header record of a new log: the format mark, the version, the company, an empty entry,
// the frame-rate code "1" (which matches no rate) and five empty entries.
LogRecord newLogHeader();
