#include "loglist/LogList.h"

#include <algorithm>
#include <iterator>

int LogList::recordCount() const {
    return static_cast<int>(m_values.size() / kFieldsPerRecord) - 1;
}

const std::string& LogList::text(std::size_t index) const {
    static const std::string none;
    if (index >= m_values.size())
        return none;
    if (const auto* s = std::get_if<std::string>(&m_values[index]))
        return *s;
    return none;
}

const Picture& LogList::picture(std::size_t index) const {
    static const Picture none;
    if (index >= m_values.size())
        return none;
    if (const auto* p = std::get_if<SharedPicture>(&m_values[index]))
        return **p;
    return none;
}

std::shared_ptr<const Picture> LogList::sharedPicture(std::size_t index) const {
    if (index >= m_values.size())
        return nullptr;
    if (const auto* p = std::get_if<SharedPicture>(&m_values[index]))
        return *p;
    return nullptr;
}

LogValue LogList::value(std::size_t index) const {
    if (holdsPicture(index))
        return picture(index);
    return text(index);
}

LogList::StoredValue LogList::stored(LogValue&& value) {
    if (auto* text = std::get_if<std::string>(&value))
        return std::move(*text);
    // Records without a picture are common: they all share one empty buffer.
    static const SharedPicture noPicture = std::make_shared<const Picture>();
    auto& picture = std::get<Picture>(value);
    if (picture.empty())
        return noPicture;
    return std::make_shared<const Picture>(std::move(picture));
}

void LogList::append(LogRecord record) {
    for (LogValue& value : record) m_values.push_back(stored(std::move(value)));
    m_keys.push_back(newKey());
    keyAppended(m_keys.back(), static_cast<int>(m_keys.size()) - 1);
    touch();
    if (m_observer != nullptr)
        m_observer->recordsInserted(static_cast<int>(m_keys.size()) - 1, 1);
}

bool LogList::replace(std::size_t index, LogValue value) {
    if (index >= m_values.size())
        return false;
    m_values[index] = stored(std::move(value));
    touch();
    if (m_observer != nullptr)
        m_observer->valueChanged(static_cast<int>(index / kFieldsPerRecord),
                                 static_cast<int>(index % kFieldsPerRecord));
    return true;
}

bool LogList::insertRecord(int record, LogRecord recordValues, RecordKey key) {
    if (record < 0 || indexOf(record, 0) > m_values.size())
        return false;
    std::array<StoredValue, kFieldsPerRecord> values;
    for (int field = 0; field < kFieldsPerRecord; ++field)
        values[static_cast<std::size_t>(field)] =
            stored(std::move(recordValues[static_cast<std::size_t>(field)]));
    const std::size_t at = indexOf(record, 0);
    m_values.insert(m_values.begin() + static_cast<std::ptrdiff_t>(at),
                    std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    m_keys.insert(m_keys.begin() + record, key != 0 ? key : newKey());
    if (static_cast<std::size_t>(record) + 1 == m_keys.size())
        keyAppended(m_keys.back(), record);
    else
        placesMoved();
    touch();
    if (m_observer != nullptr)
        m_observer->recordsInserted(record, 1);
    return true;
}

bool LogList::removeRecord(int record) {
    if (record < 0 || indexOf(record, 0) + kFieldsPerRecord > m_values.size())
        return false;
    const auto first = m_values.begin() + static_cast<std::ptrdiff_t>(indexOf(record, 0));
    m_values.erase(first, first + kFieldsPerRecord);
    if (static_cast<std::size_t>(record) + 1 == m_keys.size())
        keyRemoved(m_keys.back(), record);
    else
        placesMoved();
    m_keys.erase(m_keys.begin() + record);
    touch();
    if (m_observer != nullptr)
        m_observer->recordsRemoved(record, 1);
    return true;
}

LogList::RecordKey LogList::recordKey(int record) const {
    if (record < 0 || static_cast<std::size_t>(record) >= m_keys.size())
        return 0;
    return m_keys[static_cast<std::size_t>(record)];
}

void LogList::keyAppended(RecordKey key, int place) {
    // New keys only grow, so a take appended keeps the index sorted; a record brought back at
    // the end with its old key does not.
    if (place < 1 || !m_placesCurrent)
        return;
    if (m_places.empty() || m_places.back().first < key)
        m_places.emplace_back(key, place);
    else
        placesMoved();
}

void LogList::keyRemoved(RecordKey key, int place) {
    if (place < 1 || !m_placesCurrent)
        return;
    const auto found = std::lower_bound(m_places.begin(), m_places.end(), std::pair(key, 0));
    if (found != m_places.end() && found->first == key)
        m_places.erase(found);
}

int LogList::findRecord(RecordKey key, int near) const {
    const int records = static_cast<int>(m_keys.size());
    if (key == 0 || records < 2)
        return 0;
    // Records move by a place or two at most while work for one of them is under way, so the
    // search looks there first. Anywhere else (a chase or a jump far along a long log) the
    // index answers, in a few steps at any length.
    near = std::clamp(near, 1, records - 1);
    for (int place = std::max(1, near - 2); place <= std::min(records - 1, near + 2); ++place) {
        if (m_keys[static_cast<std::size_t>(place)] == key)
            return place;
    }
    if (!m_placesCurrent) {
        m_places.clear();
        m_places.reserve(m_keys.size());
        for (int place = 1; place < records; ++place)
            m_places.emplace_back(m_keys[static_cast<std::size_t>(place)], place);
        std::sort(m_places.begin(), m_places.end());
        m_placesCurrent = true;
    }
    const auto found = std::lower_bound(m_places.begin(), m_places.end(), std::pair(key, 0));
    return found != m_places.end() && found->first == key ? found->second : 0;
}
