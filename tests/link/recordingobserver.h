// Records what a transfer reports.
#pragma once

#include <vector>

#include "link/transferobserver.h"

namespace fennmere::test {

class CRecordingObserver : public CTransferObserver {
public:
    void SetProgress(int position) override { m_progress.push_back(position); }
    void PcBaudChanged(const CText& baud) override { m_pcBaud.push_back(baud); }
    void Finished(const CTransferReport& report) override { m_reports.push_back(report); }

    std::vector<int> m_progress;
    std::vector<CText> m_pcBaud;
    std::vector<CTransferReport> m_reports;
};

}  // namespace fennmere::test
