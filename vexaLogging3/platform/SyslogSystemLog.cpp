#include "platform/SystemLog.h"

#include <syslog.h>

#include <string>

namespace platform {

void SyslogSystemLog::write(std::string_view line) {
    const std::string text(line);
    syslog(LOG_USER | LOG_ERR, "glimmark: %s", text.c_str());
}

}  // namespace platform
