// The simulator's main loop: one pseudo-terminal, one logger, the fault
// options. Serves clients one after another until a signal, an idle
// time-out or a planned hang-up ends it.
#pragma once

#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "datafeed.h"
#include "lineassembler.h"
#include "loggerdevice.h"
#include "ptyport.h"
#include "simoptions.h"
#include "transmitter.h"
#include "uniquefd.h"
#include "wirelog.h"

namespace fennmere {

class CSimulator {
public:
    using CTime = std::chrono::steady_clock::time_point;

    // signalFd: readable when the simulator is to stop.
    CSimulator(const CSimOptions& options, CLoggerDevice& device, CPtyPort& port, CWireLog& log, int signalFd);

    // Returns the process exit code.
    int Run();

    // Data lines handed to clients at their own rate, and their bytes (notes
    // included); a line cut short by the client closing the device counts.
    long DataLinesSent() const { return m_nDataLinesSent; }
    long long DataBytesSent() const { return m_nDataBytesSent; }

private:
    void Step(CTime now);
    void TrackClient(CTime now);
    void StartSession(CTime now);
    void EndSession();
    void Receive(CTime now);
    void HandleEvents(const std::vector<CLineEvent>& events);
    void HandleCommand(const CLineEvent& event);
    bool Answers(const std::string& command);
    void SendReply(const std::string& command, std::string text);
    void SendGarbage(std::size_t length);
    void EmitData(CTime now);
    char DataSeparator() const;
    int DataColumns() const;
    CRxRates CurrentRates() const;
    std::optional<CTime> NextWake(CTime now) const;
    bool WaitForActivity(CTime now);

    const CSimOptions& m_options;
    CLoggerDevice& m_device;
    CPtyPort& m_port;
    CWireLog& m_log;
    int m_signalFd;
    std::mt19937 m_random;
    CTransmitter m_transmitter;
    CLineAssembler m_assembler;
    CDataFeed m_feed;

    long m_nBaud;               // the logger's rate
    bool m_bClient = false;     // a client had the device open at the last look
    bool m_bStopped = false;    // --stop-at has struck
    long m_nCommands = 0;       // lines received at the right rate
    bool m_bHangupDue = false;  // --hangup-after has been reached
    std::optional<CTime> m_hangupAt;
    std::optional<CTime> m_nextTransmit;
    CTime m_lastReceived;
    CTime m_lastFed;
    CTime m_nextData;
    bool m_bDone = false;
    long m_nDataLinesSent = 0;
    long long m_nDataBytesSent = 0;
};

}  // namespace fennmere
