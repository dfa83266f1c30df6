#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "loglist/LogList.h"

namespace platform {
class AtomicFile;
}  // namespace platform

namespace platform::plist {

// The values to write, read one at a time so that no copy of the log is made for a save.
class ArraySource {
public:
    virtual ~ArraySource() = default;
    virtual std::size_t count() const = 0;
    virtual bool isData(std::size_t index) const = 0;
    virtual const std::string& text(std::size_t index) const = 0;
    virtual const Picture& data(std::size_t index) const = 0;
};

class LogListSource : public ArraySource {
public:
    explicit LogListSource(const LogList& list) : m_list(list) {}
    std::size_t count() const override { return m_list.count(); }
    bool isData(std::size_t index) const override { return m_list.holdsPicture(index); }
    const std::string& text(std::size_t index) const override { return m_list.text(index); }
    const Picture& data(std::size_t index) const override { return m_list.picture(index); }

private:
    const LogList& m_list;
};

class ValuesSource : public ArraySource {
public:
    explicit ValuesSource(const std::vector<LogValue>& values) : m_values(values) {}
    std::size_t count() const override { return m_values.size(); }
    bool isData(std::size_t index) const override {
        return std::holds_alternative<Picture>(m_values[index]);
    }
    const std::string& text(std::size_t index) const override {
        return std::get<std::string>(m_values[index]);
    }
    const Picture& data(std::size_t index) const override {
        return std::get<Picture>(m_values[index]);
    }

private:
    const std::vector<LogValue>& m_values;
};

// Streams an XML property list whose root is an array of <string> and <data> to `out`, in
// the layout that Python's plistlib and macOS write: the Apple DOCTYPE, one tab of indent
// per level, Base64 folded at 68 characters. Text that XML 1.0 cannot carry is mended
// rather than written into a file that no reader would take back: invalid UTF-8 becomes
// U+FFFD, control characters other than tab, line feed and carriage return are left out,
// and a carriage return is written as &#13; so that it survives the parser's line-end
// normalisation. Answers false when `out` failed (its error() says why).
bool writeXmlPropertyList(AtomicFile& out, const ArraySource& values,
                          const std::function<void(double)>& progress = {});

}  // namespace platform::plist
