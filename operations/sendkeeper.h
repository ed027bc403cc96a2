// The logbook entries of a safe Send, kept by one set of rules whichever
// front end runs the Send.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "link/safesend.h"
#include "logbook/logbook.h"
#include "operations/keeping.h"

namespace fennmere {

// What a Send is kept as: the configuration sent, filed under the logger it
// went to. No Send writes the serial number, the firmware or the serial
// driver table, so those are the logger's (none is read: the sent ones).
CConfiguration SentAsKept(const CConfiguration& sent, const CConfiguration* logger);

// A logbook entry made ready to be sent back: the logger's clock is its own
// now, so neither the date and time the entry recorded nor the computer's
// clock are sent.
void PrepareRestore(CConfiguration& entry);

// One safe Send's entries: the backup as "before-send"; the configuration
// sent as event (Send, Restore) as soon as the logger has stored it, or
// at the end when the logger took it without saying so; what the logger
// holds after a failed verification as "verify". The logger the Send went
// to is the one the backup read, else the one the verification read.
//
// The hooks and Finished run on the transfer thread; the keeper must outlive
// the run.
class CSendKeeper {
public:
    CSendKeeper(CLogbook logbook, CConfiguration sent, ELogbookEvent event, std::string port,
                CLogbookProblem problem);

    // For RunSafeSend. confirm, when given, is asked after the backup has
    // been kept whether the Send goes on.
    CSafeSendHooks Hooks(std::function<bool(const CConfiguration& before)> confirm = {});

    // After RunSafeSend has returned.
    void Finished(const CSafeSendResult& result);

private:
    void KeepSent(const CConfiguration* logger);

    CLogbook m_logbook;
    CConfiguration m_sent;
    ELogbookEvent m_eEvent;
    std::string m_strPort;
    CLogbookProblem m_problem;
    std::optional<CConfiguration> m_before;
    bool m_bSentKept = false;
};

}  // namespace fennmere
