#include "keeping.h"

#include "config/text.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"

namespace fennmere {

bool KeepInLogbook(const CLogbook& logbook, const CConfiguration& config, ELogbookEvent event,
                   std::string_view port, const CLogbookProblem& problem)
{
    std::string warning;
    const CFileResult kept = logbook.Record(config, event, port, nullptr, &warning);
    if (!problem) return kept.m_bOk;
    if (!kept.m_bOk) problem("the logbook could not be written: " + kept.m_strError);
    if (!warning.empty()) problem("the logbook: " + warning);
    return kept.m_bOk;
}

CRetrieveResult RetrieveAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                CTransferObserver& observer, const CCancelToken* cancel, const CKeeping& keeping)
{
    CRetrieveResult result = RunRetrieve(port, clock, config, observer, cancel);
    if (result.m_config) {
        KeepInLogbook(keeping.m_logbook, *result.m_config, ELogbookEvent::Retrieve,
                      NarrowLatin1(config.m_panel.m_strComPort), keeping.m_problem);
    }
    return result;
}

CDefaultConfigResult DefaultConfigAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                          CTransferObserver& observer, const CCancelToken* cancel,
                                          const CKeeping& keeping)
{
    CDefaultConfigResult result = RunDefaultConfig(port, clock, config, observer, cancel);
    if (result.m_config) {
        KeepInLogbook(keeping.m_logbook, *result.m_config, ELogbookEvent::DefaultConfig,
                      NarrowLatin1(config.m_panel.m_strComPort), keeping.m_problem);
    }
    return result;
}

CSafeSendResult SafeSendAndKeep(CPortIo& port, CClock& clock, const CConfiguration& config,
                                CTransferObserver& observer, const CSafeSendSteps& steps, ELogbookEvent event,
                                const CKeeping& keeping, std::function<bool(const CConfiguration& before)> confirm,
                                const CLocalTimeSource& localTime, const CCancelToken* cancel)
{
    CSendKeeper keeper(keeping.m_logbook, config, event, NarrowLatin1(config.m_panel.m_strComPort),
                       keeping.m_problem);
    CSafeSendResult result =
        RunSafeSend(port, clock, config, observer, steps, keeper.Hooks(std::move(confirm)), localTime, cancel);
    keeper.Finished(result);
    return result;
}

CLoggerComparison CompareWithLogger(CPortIo& port, CClock& clock, const CConfiguration& sent,
                                    const CConfiguration& config, CTransferObserver& observer,
                                    const CCancelToken* cancel, const CKeeping& keeping)
{
    CLoggerComparison comparison;
    comparison.m_read = RetrieveAndKeep(port, clock, config, observer, cancel, keeping);
    if (comparison.m_read.m_config) comparison.m_differences = SendChanges(sent, *comparison.m_read.m_config);
    return comparison;
}

}  // namespace fennmere
