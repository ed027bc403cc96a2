#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iterator>

#include "interrupt.h"
#include "link/serialport.h"

namespace fennmere::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kExitCancelled = 130;

std::atomic<CCancelToken*> g_pToken{nullptr};
std::atomic<int> g_nSignals{0};
struct sigaction g_previous[std::size(kSignals)];

extern "C" void OnInterrupt(int)
{
    CCancelToken* token = g_pToken.load();
    if (g_nSignals.fetch_add(1) == 0 && token != nullptr) {
        token->Cancel();
        return;
    }
    ReleaseOpenPortsForExit();
    static const char kText[] = "cancelled at once; the logger may still be in service mode\n";
    ssize_t ignored = ::write(STDERR_FILENO, kText, sizeof kText - 1);
    (void)ignored;
    ::_exit(kExitCancelled);
}

}  // namespace

CInterruptScope::CInterruptScope(CCancelToken& token)
{
    g_nSignals.store(0);
    g_pToken.store(&token);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Blocking calls that come back with EINTR are retried by the serial
    // layer; the transfer notices the token at its next pause or read.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
}

namespace {

std::atomic<std::atomic<bool>*> g_pStop{nullptr};

extern "C" void OnStopRequest(int)
{
    if (std::atomic<bool>* stop = g_pStop.load()) stop->store(true);
}

}  // namespace

void CatchStopRequests(std::atomic<bool>& stop)
{
    g_pStop.store(&stop);
    struct sigaction action {};
    action.sa_handler = OnStopRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // The port is closed and set back on the way out, not left set up by a
    // SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
}

CInterruptScope::~CInterruptScope()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_pToken.store(nullptr);
}

}  // namespace fennmere::cli
