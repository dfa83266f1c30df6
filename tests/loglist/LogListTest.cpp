#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "loglist/LogSearchIndex.h"

namespace {

// The definition: every record in order, later records overwriting earlier ones.
LogSearchIndex::TimecodeHit scan(const LogList& list, const std::string& tc) {
    LogSearchIndex::TimecodeHit hit;
    for (int k = 1; k <= list.recordCount(); ++k) {
        const std::string& start = list.text(LogList::indexOf(k, kFieldStart));
        const std::string& stop = list.text(LogList::indexOf(k, kFieldStop));
        if (tc.compare(start) < 0)
            continue;
        hit.anyStarted = true;
        if (stop.size() != 11)
            hit.open = k;
        else if (tc.compare(stop) < 0)
            hit.inside = k;
    }
    return hit;
}


struct RandomLog {
    std::mt19937 random;
    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(random); }
    // Few distinct seconds, so equal starts, equal stops and touching records are common.
    std::string timecode() {
        char text[12];
        std::snprintf(text, sizeof text, "01:00:%02d:%02d", pick(0, 20), pick(0, 2) * 12);
        return text;
    }
    // One stop in ten is still running, one in ten malformed (open as well).
    std::string stop() {
        const int kind = pick(0, 9);
        return kind == 0 ? "" : kind == 1 ? "01:00:05" : timecode();
    }
    LogRecord record() {  // braced: number, start and stop drawn in this order
        return {std::to_string(pick(1, 12)), timecode(), stop(), "", "", "", "", "", "", ""};
    }
};

TEST(LogSearchIndex, AnswersAsTheScanDoesThroughEveryKindOfChange) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        RandomLog log{std::mt19937(seed)};
        LogList list;
        list.append(LogRecord{});  // the header
        LogSearchIndex index;
        std::set<LogList::RecordKey> keys;  // every key the list has held
        std::vector<LogList::RecordKey> removed;
        for (int k = log.pick(0, 40); k > 0; --k) list.append(log.record());
        const std::vector<std::pair<const char*, std::function<void(int)>>> changes = {
            {"stop changed",
             [&](int k) { list.replace(LogList::indexOf(k, kFieldStop), log.stop()); }},
            {"renumbered", [&](int k) {
                 list.replace(LogList::indexOf(k, kFieldNumber), std::to_string(log.pick(1, 12)));
             }},
            {"inserted", [&](int k) { list.insertRecord(k, log.record()); }},
            {"removed", [&](int k) {
                 removed.push_back(list.recordKey(k));
                 list.removeRecord(k);
             }},
            // Another list put in its place, as an open does: the same values under new keys.
            {"reopened", [&](int) {
                 LogList opened;
                 for (int r = 0; r <= list.recordCount(); ++r) {
                     LogRecord values;
                     for (int f = 0; f < kFieldsPerRecord; ++f)
                         values[static_cast<std::size_t>(f)] = list.value(LogList::indexOf(r, f));
                     opened.append(std::move(values));
                 }
                 list = opened;
             }},
            {"appended", [&](int) { list.append(log.record()); }},
            {"put back last", [&](int) {
                 if (removed.empty())
                     return;
                 list.insertRecord(list.recordCount() + 1, log.record(), removed.back());
                 removed.pop_back();
             }}};
        for (int step = 0; step <= 30 && (step == 0 || list.recordCount() > 0); ++step) {
            const auto& [name, change] = changes[static_cast<std::size_t>(log.pick(0, 6))];
            if (step > 0)
                change(log.pick(1, list.recordCount()));
            SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step << " " << name);
            std::map<LogList::RecordKey, int> place;  // 0: gone
            std::map<std::string, int> last;          // the last record of each number
            for (int k = 1; k <= list.recordCount(); ++k) {
                keys.insert(list.recordKey(k));
                place[list.recordKey(k)] = last[list.text(LogList::indexOf(k, kFieldNumber))] = k;
            }
            for (const LogList::RecordKey key : keys)
                for (const int near : {1, list.recordCount() / 2, list.recordCount()})
                    ASSERT_EQ(list.findRecord(key, near), place[key]);
            for (int q = 0; q < 40; ++q) {
                const std::string tc = log.timecode();
                const auto want = scan(list, tc), got = index.findTimecode(list, tc);
                ASSERT_EQ(std::tuple(got.inside, got.open, got.anyStarted),
                          std::tuple(want.inside, want.open, want.anyStarted)) << tc;
            }
            for (int number = 0; number <= 13; ++number)
                ASSERT_EQ(index.findNumber(list, std::to_string(number)),
                          last[std::to_string(number)]) << number;
        }
    }
}

}  // namespace
