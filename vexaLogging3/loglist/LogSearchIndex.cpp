#include "loglist/LogSearchIndex.h"

#include "loglist/Timecode.h"

LogSearchIndex::Node LogSearchIndex::combine(const Node& l, const Node& r) const {
    auto pick = [](int a, int b, bool takeB) { return a == 0 ? b : (b != 0 && takeB ? b : a); };
    Node n;
    n.minStartClosed = pick(l.minStartClosed, r.minStartClosed,
                            r.minStartClosed != 0 && l.minStartClosed != 0 &&
                                start(r.minStartClosed) < start(l.minStartClosed));
    n.maxStopClosed = pick(l.maxStopClosed, r.maxStopClosed,
                           r.maxStopClosed != 0 && l.maxStopClosed != 0 &&
                               stop(r.maxStopClosed) > stop(l.maxStopClosed));
    n.minStartOpen = pick(l.minStartOpen, r.minStartOpen,
                          r.minStartOpen != 0 && l.minStartOpen != 0 &&
                              start(r.minStartOpen) < start(l.minStartOpen));
    return n;
}

void LogSearchIndex::rebuildTimecodes(const LogList& list) {
    const int n = list.recordCount();
    m_starts.assign(static_cast<std::size_t>(n) + 1, {});
    m_stops.assign(static_cast<std::size_t>(n) + 1, {});
    m_closed.assign(static_cast<std::size_t>(n) + 1, false);
    m_leaves = 1;
    while (m_leaves < static_cast<std::size_t>(n)) m_leaves *= 2;
    m_tree.assign(2 * m_leaves, Node{});
    for (int k = 1; k <= n; ++k) {
        const auto at = static_cast<std::size_t>(k);
        m_starts[at] = list.text(LogList::indexOf(k, kFieldStart));
        m_stops[at] = list.text(LogList::indexOf(k, kFieldStop));
        // A stop that is not a whole timecode (empty while the log runs, or malformed) leaves
        // the record open.
        m_closed[at] = m_stops[at].size() == timecode::kLength;
        Node& leaf = m_tree[m_leaves + at - 1];
        if (m_closed[at])
            leaf.minStartClosed = leaf.maxStopClosed = k;
        else
            leaf.minStartOpen = k;
    }
    for (std::size_t i = m_leaves - 1; i >= 1; --i)
        m_tree[i] = combine(m_tree[2 * i], m_tree[2 * i + 1]);
    m_timecodeRevision = list.revision();
}

// The subtree can hold a record containing tc only if some record in it starts at or before
// tc and some record in it stops after tc. For a log written in time order that leaves one
// path to walk; out-of-order logs may visit more nodes, never give another answer.
int LogSearchIndex::rightmostInside(std::size_t node, std::string_view tc) const {
    const Node& n = m_tree[node];
    if (n.minStartClosed == 0 || tc < start(n.minStartClosed) || !(tc < stop(n.maxStopClosed)))
        return 0;
    if (node >= m_leaves)
        return n.minStartClosed;
    if (const int right = rightmostInside(2 * node + 1, tc))
        return right;
    return rightmostInside(2 * node, tc);
}

int LogSearchIndex::rightmostOpen(std::size_t node, std::string_view tc) const {
    const Node& n = m_tree[node];
    if (n.minStartOpen == 0 || tc < start(n.minStartOpen))
        return 0;
    if (node >= m_leaves)
        return n.minStartOpen;
    if (const int right = rightmostOpen(2 * node + 1, tc))
        return right;
    return rightmostOpen(2 * node, tc);
}

LogSearchIndex::TimecodeHit LogSearchIndex::findTimecode(const LogList& list, std::string_view tc) {
    if (m_timecodeRevision != list.revision())
        rebuildTimecodes(list);
    TimecodeHit hit;
    if (m_tree.size() < 2)
        return hit;
    const Node& root = m_tree[1];
    hit.inside = rightmostInside(1, tc);
    hit.open = rightmostOpen(1, tc);
    hit.anyStarted = hit.inside != 0 || hit.open != 0 ||
                     (root.minStartClosed != 0 && !(tc < start(root.minStartClosed)));
    return hit;
}

int LogSearchIndex::findNumber(const LogList& list, const std::string& number) {
    if (m_numberRevision != list.revision()) {
        m_numbers.clear();
        const int n = list.recordCount();
        // Later records overwrite earlier ones: numbers need not be unique, the last one wins.
        for (int k = 1; k <= n; ++k) m_numbers[list.text(LogList::indexOf(k, kFieldNumber))] = k;
        m_numberRevision = list.revision();
    }
    const auto found = m_numbers.find(number);
    return found == m_numbers.end() ? 0 : found->second;
}
