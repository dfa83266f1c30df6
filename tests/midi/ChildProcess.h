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
#include <utility>
#include <vector>

extern char** environ;

namespace jacktest {

using namespace std::chrono_literals;

// A program run as a process of its own, its standard output on a pipe, its standard error
// thrown away. Killed when it goes.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ChildProcess(ChildProcess&& other) noexcept
        : m_pid(std::exchange(other.m_pid, 0)),
          m_out(std::exchange(other.m_out, -1)),
          m_buffer(std::move(other.m_buffer)) {}
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    // The next line of its output; empty when none came within the time.
    std::string readLine(std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const std::size_t end = m_buffer.find('\n');
            if (end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::max<long>(0, left.count()))) <= 0)
                return {};
            char chunk[256];
            const ssize_t n = read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    // Kills it at once, as a crash or a pulled plug would.
    void kill9() {
        kill(m_pid, SIGKILL);
        wait();
    }
    // Stops it as an interrupt would; its exit status.
    int terminate() {
        int status = -1;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }
    int wait() {
        int status = -1;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }
    std::string allOutput() {
        std::string all;
        for (std::string line = readLine(2s); !line.empty() || !m_buffer.empty();
             line = readLine(2s))
            all += line + "\n";
        return all;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
    std::string m_buffer;
};

}  // namespace jacktest
