#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "loglist/LogList.h"

namespace projectfiles {

inline Picture patternPicture(std::size_t size, unsigned seed = 0) {
    Picture bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}

inline LogRecord record(std::string number, std::string comment1, std::string comment2,
                        Picture picture) {
    return {number, "10:00:00:00", "10:00:05:12", "", "09:15:00", comment1, comment2,
            "05.12.2026", "", std::move(picture)};
}

inline LogList goldenLog() {
    LogList list;
    list.append(newLogHeader());
    list.append(record("1", "Tom & Jerry <take 2> \"best\" 'ok' ]]> end",
                       "Gr\xC3\xBC\xC3\x9F"
                       "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x8E\xAC",
                       {}));
    list.append(record("2", "tab\there\nsecond\\line", "", patternPicture(60)));
    return list;
}

inline std::vector<LogValue> valuesOf(const LogList& list) {
    std::vector<LogValue> values;
    for (std::size_t i = 0; i < list.count(); ++i) values.push_back(list.value(i));
    return values;
}
inline std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
inline int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}
inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class TempFolder {
    std::string m_path = [] {
        std::string pattern = std::filesystem::temp_directory_path() / "glimmark-XXXXXX";
        return std::string(::mkdtemp(pattern.data()));
    }();

public:
    ~TempFolder() { ::chmod(m_path.c_str(), 0755), std::filesystem::remove_all(m_path); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }
    std::size_t entries() const {
        using Entries = std::filesystem::directory_iterator;
        return static_cast<std::size_t>(std::distance(Entries(m_path), Entries()));
    }
};

struct ChildRun {
    int status = -1;   // as waitpid tells it
    std::string told;  // what the child wrote back
};

// Runs `work` in a child process, so that limits, lost permissions and kills stay there.
inline ChildRun inChild(const std::function<std::string()>& work) {
    ChildRun run;
    int pipe[2];
    if (::pipe(pipe) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::string told = work();
        const auto wrote = ::write(pipe[1], told.data(), told.size());
        ::_exit(wrote == static_cast<ssize_t>(told.size()) ? 0 : 4);
    }
    ::close(pipe[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        run.told.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    ::waitpid(child, &run.status, 0);
    return run;
}

}  // namespace projectfiles
