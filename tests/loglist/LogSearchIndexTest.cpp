// The search index answers exactly what reading every record in order answers, over random
// logs with equal and out-of-order starts, open and malformed stops, repeated numbers, and
// after every kind of change to the list.

#include <gtest/gtest.h>

#include <random>
#include <string>

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

int scanNumber(const LogList& list, const std::string& number) {
    int found = 0;
    for (int k = 1; k <= list.recordCount(); ++k)
        if (list.text(LogList::indexOf(k, kFieldNumber)) == number)
            found = k;
    return found;
}

class RandomLog {
public:
    explicit RandomLog(unsigned seed) : m_random(seed) {}

    // Few distinct seconds, so equal starts, equal stops and touching records are common.
    std::string timecode() {
        char text[12];
        std::snprintf(text, sizeof text, "01:00:%02d:%02d", pick(0, 20), pick(0, 2) * 12);
        return text;
    }
    std::string stop() {
        switch (pick(0, 9)) {
            case 0:
                return "";  // still running
            case 1:
                return "01:00:05";  // malformed: open
            default:
                return timecode();
        }
    }
    LogRecord record() {
        return {std::to_string(pick(1, 12)),
                timecode(),
                stop(),
                std::string(),
                std::string(),
                std::string(),
                std::string(),
                std::string(),
                std::string(),
                Picture()};
    }
    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }

private:
    std::mt19937 m_random;
};

void expectSameAsScan(LogSearchIndex& index, const LogList& list, RandomLog& random,
                      const std::string& when) {
    for (int q = 0; q < 40; ++q) {
        const std::string tc = random.timecode();
        const auto expected = scan(list, tc);
        const auto got = index.findTimecode(list, tc);
        ASSERT_EQ(got.inside, expected.inside) << when << " at " << tc;
        ASSERT_EQ(got.open, expected.open) << when << " at " << tc;
        ASSERT_EQ(got.anyStarted, expected.anyStarted) << when << " at " << tc;
    }
    for (int number = 0; number <= 13; ++number)
        ASSERT_EQ(index.findNumber(list, std::to_string(number)),
                  scanNumber(list, std::to_string(number)))
            << when << " number " << number;
}

TEST(LogSearchIndex, AnswersAsTheScanDoesThroughEveryKindOfChange) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        RandomLog random(seed);
        LogList list;
        list.append(LogRecord{});  // the header
        LogSearchIndex index;
        const int records = random.pick(0, 40);
        for (int k = 0; k < records; ++k) list.append(random.record());
        expectSameAsScan(index, list, random, "seed " + std::to_string(seed));

        for (int step = 0; step < 30 && list.recordCount() > 0; ++step) {
            const int k = random.pick(1, list.recordCount());
            std::string what;
            switch (random.pick(0, 4)) {
                case 0:
                    list.replace(LogList::indexOf(k, kFieldStop), random.stop());
                    what = "stop changed";
                    break;
                case 1:
                    list.replace(LogList::indexOf(k, kFieldNumber),
                                 std::to_string(random.pick(1, 12)));
                    what = "renumbered";
                    break;
                case 2:
                    list.insertRecord(k, random.record());
                    what = "inserted";
                    break;
                case 3:
                    list.removeRecord(k);
                    what = "removed";
                    break;
                default:
                    list = LogList(list);  // a copy put in its place, as an open does
                    what = "replaced by a copy";
            }
            expectSameAsScan(index, list, random,
                             "seed " + std::to_string(seed) + " after " + what);
        }
    }
}

}  // namespace
