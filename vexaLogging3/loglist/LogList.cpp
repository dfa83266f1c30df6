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

int LogList::findRecord(RecordKey key, int near) const {
    // Records move by a few places at most while work for one of them is under way, so the
    // search spreads out from where it was.
    const int records = static_cast<int>(m_keys.size());
    if (key == 0 || records < 2)
        return 0;
    near = std::clamp(near, 1, records - 1);
    for (int distance = 0; distance < records; ++distance) {
        for (const int place : {near - distance, near + distance}) {
            if (place >= 1 && place < records && m_keys[static_cast<std::size_t>(place)] == key)
                return place;
        }
        if (near - distance < 1 && near + distance >= records)
            break;
    }
    return 0;
}
