#include "editor/EditHistory.h"

#include <utility>

void EditHistory::begin(std::string name, Place before) {
    if (m_depth++ > 0)
        return;
    m_open = Step{std::move(name), before, before, {}};
}

void EditHistory::commit(Place after) {
    if (m_depth == 0 || --m_depth > 0)
        return;
    Step step = std::move(*m_open);
    m_open.reset();
    if (step.changes.empty())
        return;
    step.after = after;
    m_done.push_back(std::move(step));
    if (m_done.size() > kMaxSteps)
        m_done.pop_front();
    m_undone.clear();
}

bool EditHistory::replace(LogList& list, std::size_t index, LogValue value) {
    if (index >= list.count())
        return false;
    if (!m_open)
        return list.replace(index, std::move(value));
    Change change{Change::Kind::Replace, index, list.value(index), value, {}};
    list.replace(index, std::move(value));
    m_open->changes.push_back(std::move(change));
    return true;
}

bool EditHistory::insertRecord(LogList& list, int record, LogRecord values,
                               LogList::RecordKey key) {
    if (!m_open)
        return list.insertRecord(record, std::move(values), key);
    Change change{Change::Kind::Insert, static_cast<std::size_t>(record), {}, {}, values};
    if (!list.insertRecord(record, std::move(values), key))
        return false;
    change.key = list.recordKey(record);
    m_open->changes.push_back(std::move(change));
    return true;
}

bool EditHistory::removeRecord(LogList& list, int record) {
    if (record < 0 || record > list.recordCount())
        return false;
    LogRecord removed;
    for (int k = 0; k < kFieldsPerRecord; ++k)
        removed[static_cast<std::size_t>(k)] = list.value(LogList::indexOf(record, k));
    const LogList::RecordKey key = list.recordKey(record);
    if (!list.removeRecord(record))
        return false;
    if (m_open)
        m_open->changes.push_back({Change::Kind::Remove,
                                   static_cast<std::size_t>(record),
                                   {},
                                   {},
                                   std::move(removed),
                                   key});
    return true;
}

bool EditHistory::fits(const LogList& list, const Step& step, bool backwards) {
    // Walks the step's changes in the order they would be made, following the list's length,
    // so that no change of the step can miss its place half-way through.
    std::size_t count = list.count();
    const auto fitsOne = [&count](const Change& c, bool takeBack) {
        const bool inserts = (c.kind == Change::Kind::Insert) != takeBack;
        switch (c.kind) {
            case Change::Kind::Replace:
                return c.at < count;
            case Change::Kind::Insert:
            case Change::Kind::Remove:
                if (c.at < 1)
                    return false;
                if (inserts) {
                    if (LogList::indexOf(static_cast<int>(c.at), 0) > count)
                        return false;
                    count += kFieldsPerRecord;
                } else {
                    if (LogList::indexOf(static_cast<int>(c.at), 0) + kFieldsPerRecord > count)
                        return false;
                    count -= kFieldsPerRecord;
                }
                return true;
        }
        return false;
    };
    if (backwards) {
        for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c)
            if (!fitsOne(*c, true))
                return false;
    } else {
        for (const Change& c : step.changes)
            if (!fitsOne(c, false))
                return false;
    }
    return true;
}

void EditHistory::apply(LogList& list, const Change& change, bool backwards) {
    const int record = static_cast<int>(change.at);
    switch (change.kind) {
        case Change::Kind::Replace:
            list.replace(change.at, backwards ? change.before : change.after);
            break;
        case Change::Kind::Insert:
            if (backwards)
                list.removeRecord(record);
            else
                list.insertRecord(record, change.record, change.key);
            break;
        case Change::Kind::Remove:
            if (backwards)
                list.insertRecord(record, change.record, change.key);
            else
                list.removeRecord(record);
            break;
    }
}

std::optional<EditHistory::Move> EditHistory::undo(LogList& list) {
    if (m_done.empty() || m_open)
        return std::nullopt;
    if (!fits(list, m_done.back(), true)) {
        clear();
        return std::nullopt;
    }
    Step step = std::move(m_done.back());
    m_done.pop_back();
    for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) apply(list, *c, true);
    const Move move{step.after, step.before};
    m_undone.push_back(std::move(step));
    return move;
}

std::optional<EditHistory::Move> EditHistory::redo(LogList& list) {
    if (m_undone.empty() || m_open)
        return std::nullopt;
    if (!fits(list, m_undone.back(), false)) {
        clear();
        return std::nullopt;
    }
    Step step = std::move(m_undone.back());
    m_undone.pop_back();
    for (const Change& c : step.changes) apply(list, c, false);
    const Move move{step.before, step.after};
    m_done.push_back(std::move(step));
    return move;
}

std::string EditHistory::undoName() const {
    return m_done.empty() ? std::string() : m_done.back().name;
}

std::string EditHistory::redoName() const {
    return m_undone.empty() ? std::string() : m_undone.back().name;
}

void EditHistory::clear() {
    m_done.clear();
    m_undone.clear();
}
