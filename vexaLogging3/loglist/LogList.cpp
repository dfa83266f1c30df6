#include "loglist/LogList.h"

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
    if (const auto* p = std::get_if<Picture>(&m_values[index]))
        return *p;
    return none;
}

void LogList::append(LogRecord record) {
    m_values.insert(m_values.end(), std::make_move_iterator(record.begin()),
                    std::make_move_iterator(record.end()));
    touch();
}

bool LogList::replace(std::size_t index, LogValue value) {
    if (index >= m_values.size())
        return false;
    m_values[index] = std::move(value);
    touch();
    return true;
}

bool LogList::insertRecord(int record, LogRecord recordValues) {
    if (record < 0 || indexOf(record, 0) > m_values.size())
        return false;
    const std::size_t at = indexOf(record, 0);
    m_values.insert(m_values.begin() + static_cast<std::ptrdiff_t>(at),
                    std::make_move_iterator(recordValues.begin()),
                    std::make_move_iterator(recordValues.end()));
    touch();
    return true;
}

bool LogList::removeRecord(int record) {
    if (record < 0 || indexOf(record, 0) + kFieldsPerRecord > m_values.size())
        return false;
    const auto first = m_values.begin() + static_cast<std::ptrdiff_t>(indexOf(record, 0));
    m_values.erase(first, first + kFieldsPerRecord);
    touch();
    return true;
}
