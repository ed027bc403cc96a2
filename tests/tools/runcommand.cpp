#include "runcommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace fennmere::test {

namespace {

void Drain(int fd, std::string& into, bool& open)
{
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0)
        open = false;
}

}  // namespace

CRunResult RunCommand(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds)
{
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    CRunResult result;
    bool outOpen = true, errOpen = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        if (::poll(fds, 2, 100) > 0) {
            if (fds[0].revents != 0) Drain(out[0], result.m_strOut, outOpen);
            if (fds[1].revents != 0) Drain(err[0], result.m_strErr, errOpen);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string FennmerePath() { return FENNMERE_BINARY_DIR "/tools/fennmere"; }
std::string SimulatorPath() { return FENNMERE_BINARY_DIR "/tools/fennmere-loggersim"; }

}  // namespace fennmere::test
