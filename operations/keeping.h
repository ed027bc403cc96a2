// The transfers both front ends run with the logbook: each configuration a
// logger was seen to hold is kept, by the same rules whichever front end
// asked.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/configdiff.h"
#include "config/configuration.h"
#include "link/canceltoken.h"
#include "link/clock.h"
#include "link/defaultconfig.h"
#include "link/portio.h"
#include "link/retrieve.h"
#include "link/safesend.h"
#include "link/transferobserver.h"
#include "logbook/logbook.h"

namespace fennmere {

// Tells a logbook failure or warning, one line, without a "warning: "
// prefix. Called on the thread that keeps the entry.
using CLogbookProblem = std::function<void(const std::string&)>;

// Keeps config as an entry of the logbook, telling problem what went wrong.
// Never stops the transfer it belongs to. Returns whether it was written.
bool KeepInLogbook(const CLogbook& logbook, const CConfiguration& config, ELogbookEvent event,
                   std::string_view port, const CLogbookProblem& problem);

// Where a transfer's entries go: the logbook, and who hears of a problem
// with it. The port recorded is the one the transfer ran on.
struct CKeeping {
    CLogbook m_logbook;
    CLogbookProblem m_problem;
};

// Retrieve, and what it read kept as "retrieve".
CRetrieveResult RetrieveAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                CTransferObserver& observer, const CCancelToken* cancel, const CKeeping& keeping);

// The default configuration, and what the logger then holds kept as
// "default-config".
CDefaultConfigResult DefaultConfigAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                          CTransferObserver& observer, const CCancelToken* cancel,
                                          const CKeeping& keeping);

// The safe Send of config, as event (Send, Restore), every configuration it
// saw kept: the backup, what was sent, what a failed verification read.
// confirm, when given, is asked after the backup has been kept whether the
// Send goes on.
CSafeSendResult SafeSendAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                CTransferObserver& observer, const CSafeSendSteps& steps, ELogbookEvent event,
                                const CKeeping& keeping,
                                std::function<bool(const CConfiguration& before)> confirm = {},
                                const CLocalTimeSource& localTime = ReadLocalTime,
                                const CCancelToken* cancel = nullptr);

// A configuration against the logger's: the logger read (and kept as a
// Retrieve is), then every field a Send of sent would change in it (old:
// what the logger will hold, new: what it holds now).
struct CLoggerComparison {
    CRetrieveResult m_read;
    std::vector<CFieldDifference> m_differences;  // only when m_read has the logger's configuration
};
CLoggerComparison CompareWithLogger(CPortIo& port, CClock& clock, const CConfiguration& sent,
                                    const CConfiguration& config, CTransferObserver& observer,
                                    const CCancelToken* cancel, const CKeeping& keeping);

}  // namespace fennmere
