#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "loglist/LogList.h"

// Answers the two searches the editor makes over a long log, the timecode search of chase
// mode and the jump to a number, without reading every record each time. Chase asks 12 to 15
// times a second while a log of a whole day can hold tens of thousands of records.
//
// The index is built from the list as it stands and rebuilt, on the next question, whenever
// the list has changed since; the answers are always those of reading the records in order.
class LogSearchIndex {
public:
    struct TimecodeHit {
        // The highest-numbered record whose start <= tc < stop (stop a full timecode).
        int inside = 0;
        // The highest-numbered record whose start <= tc and whose stop is not a full timecode.
        int open = 0;
        // Whether any record at all starts at or before tc.
        bool anyStarted = false;
    };

    // Starts and stops compare as plain text: for timecodes of one layout that is time order.
    TimecodeHit findTimecode(const LogList& list, std::string_view tc);
    // The highest-numbered record whose number reads exactly `number`; 0 when none does.
    int findNumber(const LogList& list, const std::string& number);

private:
    // A node of the tree over records 1..n, in record order; each holds the record that is
    // the extreme of its subtree for one of the three keys, 0 when the subtree has none.
    struct Node {
        int minStartClosed = 0;
        int maxStopClosed = 0;
        int minStartOpen = 0;
    };

    void rebuildTimecodes(const LogList& list);
    Node combine(const Node& left, const Node& right) const;
    int rightmostInside(std::size_t node, std::string_view tc) const;
    int rightmostOpen(std::size_t node, std::string_view tc) const;
    std::string_view start(int record) const { return m_starts[static_cast<std::size_t>(record)]; }
    std::string_view stop(int record) const { return m_stops[static_cast<std::size_t>(record)]; }

    std::uint64_t m_timecodeRevision = ~std::uint64_t{0};
    std::uint64_t m_numberRevision = ~std::uint64_t{0};
    // Record k's start and stop at index k; views into the list, good until it changes.
    std::vector<std::string_view> m_starts;
    std::vector<std::string_view> m_stops;
    std::vector<bool> m_closed;
    std::size_t m_leaves = 0;
    std::vector<Node> m_tree;
    std::unordered_map<std::string, int> m_numbers;
};
