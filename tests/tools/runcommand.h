// Runs a program to completion and captures what it printed, for the
// command-line tests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace fennmere::test {

struct CRunResult {
    int m_nExit = -1;  // exit status, or -1 when killed by a signal
    std::string m_strOut;
    std::string m_strErr;
};

// Runs program with args; stdin is /dev/null. Kills it after timeoutSeconds.
CRunResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                      int timeoutSeconds = 60);

std::string FennmerePath();
std::string SimulatorPath();

// A child process with its standard output on a pipe; SIGTERM on destruction.
class CChild {
public:
    // errPath: where standard error goes (default: nowhere).
    CChild(const std::string& program, const std::vector<std::string>& args, const std::string& errPath = "/dev/null")
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_nOut = out[0];
    }
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;
    ~CChild()
    {
        Signal(SIGTERM);
        Wait();
        if (m_nOut >= 0) ::close(m_nOut);
    }

    void Signal(int signal) const
    {
        if (m_pid > 0) ::kill(m_pid, signal);
    }

    // Output up to the first line end (without it), or what came before
    // 30 s without output.
    std::string FirstLine()
    {
        WaitForLines(1);
        return m_strOut.substr(0, m_strOut.find('\n'));
    }

    // Whether count whole lines came before 30 s without output.
    bool WaitForLines(std::size_t count)
    {
        const auto whole = [this] { return static_cast<std::size_t>(std::ranges::count(m_strOut, '\n')); };
        while (whole() < count && ReadSome(std::chrono::seconds(30))) {
        }
        return whole() >= count;
    }

    // Everything until the output closes (at most 30 s without output), then
    // the exit code (-1 when killed).
    int Wait()
    {
        while (ReadSome(std::chrono::seconds(30))) {
        }
        if (m_pid > 0) {
            for (int i = 0; i < 3000 && m_pid > 0; ++i) {
                int status = 0;
                if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                    m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                    m_pid = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (m_pid > 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                m_pid = -1;
            }
        }
        return m_nExit;
    }

    const std::string& Out() const { return m_strOut; }

private:
    bool ReadSome(std::chrono::milliseconds limit)
    {
        if (m_nOut < 0) return false;
        pollfd entry{m_nOut, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(limit.count())) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(m_nOut, buffer, sizeof buffer);
        if (n <= 0) return false;
        m_strOut.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_nOut = -1;
    int m_nExit = -1;
    std::string m_strOut;
};

}  // namespace fennmere::test
