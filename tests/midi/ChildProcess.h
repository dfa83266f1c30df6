#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace jacktest {

// A program run as a process of its own (looked up on PATH), its standard output on a pipe
// or thrown away, its standard error thrown away. Killed at once, as a crash or a pulled plug
// would end it, when it goes.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args, bool keepOutput = true) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2] = {-1, -1};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (keepOutput && pipe2(fds, O_CLOEXEC) == 0)
            posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        stop(SIGKILL);
        close(m_out);
    }
    void stop(int signal) {
        if (m_pid > 0 && kill(m_pid, signal) == 0)
            waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }

    // The next line of its output; empty when none came within the time.
    std::string readLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_buffer.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            char chunk[256];
            const ssize_t n = poll(&p, 1, std::max(0, static_cast<int>(left.count()))) > 0
                                  ? read(m_out, chunk, sizeof chunk)
                                  : 0;
            if (n <= 0)
                return {};
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::string line = m_buffer.substr(0, m_buffer.find('\n'));
        m_buffer.erase(0, line.size() + 1);
        return line;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    std::string m_buffer;
};

}  // namespace jacktest
