// What a Send writes to the logger, planned before the port is opened: the
// configuration lines in the order they go out, the framing around them, the
// pause before each line and the progress after it. The Send that carries
// out a plan only paces the lines, frames the phases and reads the answers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "configuration.h"

namespace fennmere {

// The logger reads a line into 128 bytes with a terminating zero: a longer
// line, line end included, is not sent but listed as unanswered.
inline constexpr std::size_t kLongestSendLine = 127;

enum class ESendStep {
    Line,       // a line the logger acknowledges with "OK"
    SmsNumber,  // an SMS number line: the first one not acknowledged ends the SMS numbers
    ClockDate,  // the computer's date, read when the line is due
    ClockTime,  // the computer's time, read when the line is due
    Pause,      // the pause alone
    Progress,   // the progress alone
};

struct CSendStep {
    ESendStep m_kind = ESendStep::Line;
    std::string m_strLine;  // Line and SmsNumber
    int m_nPauseMs = 0;     // before the step
    int m_nProgress = -1;   // after the step; -1 leaves the bar where it is
    bool operator==(const CSendStep&) const = default;
};

struct CSendPlan {
    // A whole Send wakes the logger and ends a service mode it may be in
    // ("\r", "Exit") before "Service"; a Send of changes only follows the
    // Retrieve that has just done so.
    bool m_bWake = true;
    // The first phase, after "Service", at the PC baud rate.
    std::vector<CSendStep> m_steps;
    // The Serial2 line, after which the logger listens at the serial 2 rate
    // (its answer is not awaited), and the second phase at that rate. Without
    // it the second phase goes on at the PC baud rate.
    bool m_bSwitchRates = true;
    std::string m_strSerial2Line;
    // A whole Send saves, sends the final early-warning line, then saves
    // again; changes only save once (the line went out in the first phase).
    bool m_bSaveTwice = true;
    std::string m_strFinalEwsLine;
    // Changes only: how many configuration lines differ from what the
    // logger holds; -1 for a whole Send.
    int m_nChangedLines = -1;
    // Changes only: nothing differs and no date or time is to be set; the
    // port is left alone.
    bool m_bNothing = false;
};

// The whole Send of config.
CSendPlan PlanSend(const CConfiguration& config);

// A Send of only what differs from held, the logger's configuration as a
// Retrieve read it just before: a configuration line is left out when the
// logger would answer the same line for what it holds. The early-warning
// switch goes off before the first line when an alarm line (early warning or
// SMS number) is among them, and back as configured after the last one (also
// sent when only the switch differs); the rates are switched only when a
// serial rate differs or the logger listens at another rate than its serial
// 2 rate now. The date and time lines go out as a whole Send sends them.
CSendPlan PlanChangesOnlySend(const CConfiguration& config, const CConfiguration& held);

// The configuration lines a whole Send writes for config, in its order and
// without framing, date and time: what a logger holding config would take
// from it. Lines too long for the logger are left out, as the Send does.
std::vector<std::string> ConfigurationLines(const CConfiguration& config);

}  // namespace fennmere
