#include "multiport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "commandline.h"
#include "config/text.h"
#include "consoleoutput.h"
#include "interrupt.h"
#include "link/clock.h"
#include "link/exchange.h"
#include "link/serialport.h"

namespace fennmere::cli {

namespace {

class CBoardObserver final : public CTransferObserver {
public:
    CBoardObserver(CProgressBars& board, std::size_t index) : m_board(board), m_nIndex(index) {}
    void SetProgress(int position) override { m_board.Set(m_nIndex, position); }
    bool WantsSkippedProgress() const override { return false; }
    void Finished(const CTransferReport&) override {}

private:
    CProgressBars& m_board;
    std::size_t m_nIndex;
};

void PrintFailure(const CPortRun& run)
{
    const CTransferReport& report = run.m_report;
    if (report.m_eStatus != ETransferStatus::Ok && !report.m_strMessage.empty()) {
        std::fprintf(stderr, "%s: %s%s\n", run.m_strPort.c_str(),
                     report.m_eStatus == ETransferStatus::Cancelled ? "" : (std::string(kErrorCaption) + ": ").c_str(),
                     report.m_strMessage.c_str());
        if (!report.m_strDetail.empty()) std::fprintf(stderr, "%s\n", report.m_strDetail.c_str());
    }
    if (!report.m_unanswered.empty()) {
        std::fprintf(stderr, "%s: %s:\n", run.m_strPort.c_str(), std::string(kUnansweredCaption).c_str());
        for (const std::string& command : report.m_unanswered) {
            std::fprintf(stderr, "  %s\n", EscapeLineEnds(command).c_str());
        }
    }
}

}  // namespace

std::string OutputFileForPort(const std::string& folder, const std::string& port, const char* extension)
{
    std::error_code failed;
    if (!std::filesystem::is_directory(folder, failed))
        throw CUsageError("with several ports, -o names a folder (one file per port): " + folder + " is not a folder");
    std::string name = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\\', '_');
    return (std::filesystem::path(folder) / (name + extension)).string();
}

int RunOnEveryPort(const CPortOption& port, const CPortWork& work, std::FILE* summary)
{
    port.CheckDistinct();
    const std::vector<std::string>& ports = port.m_ports;
    std::vector<CPortRun> runs(ports.size());
    CCancelToken cancel;
    {
        CInterruptScope interrupts(cancel);
        CProgressBars board(ports);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            runs[i].m_strPort = ports[i];
            threads.emplace_back([&, i] {
                // A link of its own: port, exchange and pauses are this thread's.
                CSerialPort port;
                CBoardObserver observer(board, i);
                const auto started = std::chrono::steady_clock::now();
                work(runs[i], port, observer, cancel);
                runs[i].m_fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            });
        }
        for (std::thread& thread : threads) thread.join();
    }

    int exitCode = kExitOk;
    for (CPortRun& run : runs) {
        if (run.m_strResult.empty()) run.m_strResult = run.m_nExit == kExitOk ? "ok" : run.m_report.m_strMessage;
        PrintFailure(run);
        if (exitCode == kExitOk) exitCode = run.m_nExit;
    }
    for (const CPortRun& run : runs) std::fputs(run.m_strOutput.c_str(), stdout);
    std::fflush(stdout);

    std::vector<std::vector<std::string>> rows = {{"port", "serial number", "name", "result", "time"}};
    for (const CPortRun& run : runs) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", run.m_fSeconds);
        rows.push_back(
            {run.m_strPort, NarrowLatin1(run.m_strSerial), NarrowLatin1(run.m_strName), run.m_strResult, seconds});
    }
    std::fputs(FormatTable(rows).c_str(), summary);
    std::fflush(summary);
    return exitCode;
}

}  // namespace fennmere::cli
