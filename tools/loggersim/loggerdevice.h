// The logger's command interpreter: service mode, the queries, configuration
// lines, SaveConfig, SetDefaultConfig. Knows nothing of the terminal or of the
// fault options; it gets one received line at a time and says what to answer.
//
// Outside service mode only "Service", "Exit" and the empty wake-up line are
// understood; anything else gets "ERROR". In service mode a configuration
// line is applied and acknowledged with "OK"; a line the logger does not know
// gets "ERROR". Queries answer with the command's echo, their block and "OK".
#pragma once

#include <chrono>
#include <string>
#include <vector>
#include <string_view>

#include "config/configuration.h"
#include "simclock.h"

namespace fennmere {

struct CDeviceReply {
    std::string m_strText;   // what to send; may be empty
    long m_nSwitchBaud = 0;  // after the reply, listen and talk at this rate
};

class CLoggerDevice {
public:
    // statePath: where SaveConfig writes; empty for nowhere. The serial
    // number and firmware in config are the logger's identity: no received
    // line changes them.
    CLoggerDevice(CConfiguration config, std::string statePath);

    CDeviceReply Handle(std::string_view command);

    // Configuration lines starting with one of these are acknowledged with
    // "OK" but not stored (a logger that loses lines).
    void IgnoreLines(std::vector<std::string> prefixes) { m_ignored = std::move(prefixes); }

    bool InServiceMode() const { return m_bService; }
    const CConfiguration& Configuration() const { return m_config; }
    CClockReading ClockNow() const { return m_clock.Now(); }

    static constexpr std::string_view kOk = "OK\r\n";
    static constexpr std::string_view kError = "ERROR\r\n";

private:
    CDeviceReply HandleServiceCommand(std::string_view command);
    CDeviceReply Query(std::string_view command);
    CDeviceReply SaveConfig();
    CDeviceReply SetDefaultConfig();
    CDeviceReply ApplyLine(std::string_view line);
    bool ApplyClockLine(std::string_view keyword);
    long RequestedSerial2Rate() const;
    void KeepIdentity(const CSystemSettings& before);

    CConfiguration m_config;
    std::string m_strStatePath;
    CSimClock m_clock;
    bool m_bService = false;
    std::vector<std::string> m_ignored;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

}  // namespace fennmere
