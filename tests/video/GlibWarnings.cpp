#include "tests/video/GlibWarnings.h"

#include <glib.h>

#include <mutex>
#include <utility>

namespace videotest {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_warnings;

GLogWriterOutput catchWarnings(GLogLevelFlags level, const GLogField* fields, gsize count,
                               gpointer data) {
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) {
        std::string line;
        for (gsize i = 0; i < count; ++i) {
            const std::string key = fields[i].key;
            if ((key == "GLIB_DOMAIN" || key == "MESSAGE") && fields[i].length < 0)
                line += (line.empty() ? "" : ": ") +
                        std::string(static_cast<const char*>(fields[i].value));
        }
        std::lock_guard lock(g_mutex);
        g_warnings.push_back(line);
    }
    return g_log_writer_default(level, fields, count, data);
}

// GLib allows one writer per process, set before anything is logged: hence here, before main.
const bool g_installed = [] {
    g_log_set_writer_func(catchWarnings, nullptr, nullptr);
    return true;
}();

}  // namespace

std::vector<std::string> takeGlibWarnings() {
    std::lock_guard lock(g_mutex);
    return std::exchange(g_warnings, {});
}

}  // namespace videotest
