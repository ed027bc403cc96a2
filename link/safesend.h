// The safe Send: the logger's configuration is read before the first line
// goes out (a backup) and again after it has been stored (a verification).
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "config/configdiff.h"
#include "send.h"

namespace fennmere {

struct CSafeSendSteps {
    bool m_bBackup = true;
    bool m_bVerify = true;
    // Only the lines that differ from the backup (which is then read
    // whatever m_bBackup says); a verification that finds a difference is
    // followed by a whole Send and a second verification.
    bool m_bChangesOnly = false;
};

// The steps of a safe Send, in the order they start.
enum class ESafeSendStep { Backup, Send, Verify };

// What the caller hears in the course of a safe Send, on the transfer thread.
struct CSafeSendHooks {
    // As each step starts (a changes-only run that falls back to a whole
    // Send starts Send and Verify again). Must not throw.
    std::function<void(ESafeSendStep step)> m_onStep;
    // The backup, before the first configuration line is sent (to keep it
    // where it cannot be lost, and to ask whether to go on): false stops the
    // run there, nothing sent, with status ETransferStatus::Cancelled. Must not throw.
    std::function<bool(const CConfiguration& before)> m_onBackup;
    // Once per run, as soon as the logger has acknowledged a SaveConfig: it
    // holds the configuration sent from then on, whatever happens after.
    std::function<void()> m_onStored;
};

struct CSafeSendResult {
    // The Send's result; its report is the report of the whole run: the
    // backup Retrieve's when that failed (the Send did not start), the
    // Send's, the verifying Retrieve's when that failed, or status
    // ETransferStatus::NotVerified when the logger holds something else.
    CSendResult m_send;
    // The logger's configuration before the Send, when the backup was read.
    std::optional<CConfiguration> m_before;
    // The logger's configuration after it, when the verification was read.
    std::optional<CConfiguration> m_after;
    // What the logger holds where it differs from what was sent (old: sent,
    // new: held); empty when verified.
    std::vector<CFieldDifference> m_differences;
    // Whether the Send itself started (the backup did not stop it).
    bool m_bSent = false;
    // The logger acknowledged a SaveConfig of this run.
    bool m_bStored = false;
    // The verification ran and found the logger holding what was sent.
    bool m_bVerified = false;
    // Changes only: the logger held everything already, nothing was sent.
    bool m_bNothingChanged = false;
    // Changes only: the first verification found these differences from
    // what a whole Send gives (old: expected, new: held), so the whole
    // configuration was sent after all; m_send is then that Send's.
    std::vector<CFieldDifference> m_fallbackReasons;
    // The number of configuration lines the changes-only Send found
    // different and sent; -1 for a whole Send.
    int m_nChangedLines = -1;
};

// Runs backup, Send and verification on the calling (transfer) thread, each
// step as RunRetrieve and RunSend do, with one progress bar across them and
// one observer.Finished at the end, and the hooks in between. A cancelled
// run's report says which step was interrupted. The verification reads the logger at
// the rate it listens at after the Send (its serial 2 rate). With changes
// only, the verification expects every configuration line of a whole Send
// to hold, not only those sent, so the logger ends as a whole Send leaves
// it or the run falls back to one.
CSafeSendResult RunSafeSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                            CTransferObserver& observer, const CSafeSendSteps& steps,
                            const CSafeSendHooks& hooks = {},
                            const CLocalTimeSource& localTime = ReadLocalTime,
                            const CCancelToken* cancel = nullptr);

}  // namespace fennmere
