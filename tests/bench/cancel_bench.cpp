// How long after Ctrl+C the port is free: runs `fennmere retrieve` (against a
// silent logger) and `fennmere send` (against a live one) many times, sends
// SIGINT at a different moment each time, and measures from the signal until
// another program can open the port exclusively.
//
// Usage: fennmere-bench-cancel FENNMERE SILENT-PORT LIVE-PORT SETUP-FILE [RUNS]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "link/serialport.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

pid_t Spawn(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::freopen("/dev/null", "w", stderr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

struct CRun {
    double m_dReleasedMs = -1;  // signal to port free
    double m_dExitedMs = -1;    // signal to process gone
    int m_nExit = -1;
};

CRun Measure(const std::vector<std::string>& args, const std::string& port, std::chrono::milliseconds delay)
{
    CRun run;
    const pid_t pid = Spawn(args);
    std::this_thread::sleep_for(delay);
    const auto signalled = Clock::now();
    ::kill(pid, SIGINT);
    fennmere::CSerialPort probe;
    while (Clock::now() - signalled < 5s) {
        try {
            probe.Open(port, 115200);
            run.m_dReleasedMs = std::chrono::duration<double, std::milli>(Clock::now() - signalled).count();
            probe.Close();
            break;
        } catch (const fennmere::CSerialException&) {
            std::this_thread::sleep_for(1ms);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.m_dExitedMs = std::chrono::duration<double, std::milli>(Clock::now() - signalled).count();
    run.m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void Report(const char* name, std::vector<CRun> runs)
{
    std::vector<double> released, exited;
    int exit130 = 0;
    for (const CRun& r : runs) {
        released.push_back(r.m_dReleasedMs);
        exited.push_back(r.m_dExitedMs);
        exit130 += r.m_nExit == 130;
    }
    std::sort(released.begin(), released.end());
    std::sort(exited.begin(), exited.end());
    const auto at = [](const std::vector<double>& v, double q) { return v[static_cast<std::size_t>(q * (v.size() - 1))]; };
    std::printf("%-28s runs %2zu  exit 130: %2d  port free after signal: min %6.1f  median %6.1f  max %6.1f ms"
                "  (process gone: median %6.1f  max %6.1f ms)\n",
                name, runs.size(), exit130, released.front(), at(released, 0.5), released.back(), at(exited, 0.5),
                exited.back());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FENNMERE SILENT-PORT LIVE-PORT SETUP-FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string fennmere = argv[1], silent = argv[2], live = argv[3], setup = argv[4];
    const int count = argc > 5 ? std::max(1, std::atoi(argv[5])) : 20;
    std::vector<CRun> retrieves, sends;
    for (int i = 0; i < count; ++i) {
        // Spread the signal over pauses and reads alike.
        const auto delay = std::chrono::milliseconds(300 + 97 * i % 1500);
        retrieves.push_back(Measure({fennmere, "retrieve", "--port", silent, "-o", "/dev/null"}, silent, delay));
        sends.push_back(Measure({fennmere, "send", setup, "--port", live}, live, delay + 1000ms));
    }
    Report("retrieve (silent logger)", retrieves);
    Report("send (mid-transfer)", sends);
    return 0;
}
