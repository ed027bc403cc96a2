#include <windows.h>

#include <atomic>
#include <cstdio>

#include "interrupt.h"
#include "link/serialport.h"

namespace fennmere::cli {

namespace {

constexpr int kExitCancelled = 130;

std::atomic<CCancelToken*> g_pToken{nullptr};
std::atomic<int> g_nSignals{0};
std::atomic<std::atomic<bool>*> g_pStop{nullptr};

bool IsStopEvent(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
}

// Windows calls these on a thread of their own. Closing the console ends the
// process once the handler returns (at the latest after five seconds), so
// that event waits for the transfer to finish what it does on a cancel.
void WaitBeforeClosing(DWORD event, const std::atomic<bool>& done)
{
    if (event != CTRL_CLOSE_EVENT) return;
    for (int waited = 0; waited < 4500 && !done.load(); waited += 50) ::Sleep(50);
}

std::atomic<bool> g_bScopeEnded{false};

BOOL WINAPI OnInterrupt(DWORD event)
{
    if (!IsStopEvent(event)) return FALSE;
    CCancelToken* token = g_pToken.load();
    if (g_nSignals.fetch_add(1) == 0 && token != nullptr) {
        token->Cancel();
        WaitBeforeClosing(event, g_bScopeEnded);
        return TRUE;
    }
    ReleaseOpenPortsForExit();
    std::fputs("cancelled at once; the logger may still be in service mode\n", stderr);
    std::fflush(stderr);
    ::ExitProcess(kExitCancelled);
}

std::atomic<bool> g_bNeverDone{false};

BOOL WINAPI OnStopRequest(DWORD event)
{
    if (!IsStopEvent(event)) return FALSE;
    if (std::atomic<bool>* stop = g_pStop.load()) stop->store(true);
    WaitBeforeClosing(event, g_bNeverDone);
    return TRUE;
}

}  // namespace

CInterruptScope::CInterruptScope(CCancelToken& token)
{
    g_nSignals.store(0);
    g_bScopeEnded.store(false);
    g_pToken.store(&token);
    ::SetConsoleCtrlHandler(OnInterrupt, TRUE);
}

CInterruptScope::~CInterruptScope()
{
    ::SetConsoleCtrlHandler(OnInterrupt, FALSE);
    g_pToken.store(nullptr);
    g_bScopeEnded.store(true);
}

void CatchStopRequests(std::atomic<bool>& stop)
{
    g_pStop.store(&stop);
    ::SetConsoleCtrlHandler(OnStopRequest, TRUE);
}

}  // namespace fennmere::cli
