#pragma once

#include <string_view>

namespace platform {

// The system log: the one place a failure that has no window of its own is written.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void write(std::string_view line) = 0;
};

// Writes to syslog(3) under the program's name.
class SyslogSystemLog final : public SystemLog {
public:
    void write(std::string_view line) override;
};

}  // namespace platform
