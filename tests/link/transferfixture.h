// What the transfer tests share: a logger on the far end of a fake port in
// virtual time, an observer that records, and an operator's configuration
// ready to talk to COM1 at 115200 baud.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/configuration.h"
#include "fakeclock.h"
#include "fakelogger.h"
#include "recordingobserver.h"

namespace fennmere::test {

class TransferTest : public ::testing::Test {
protected:
    TransferTest()
    {
        m_config = MakeNewConfiguration();
        m_config.m_panel.m_strComPort = L"COM1";
        m_config.m_panel.m_strBaud = L"115200";
    }

    int CountWrites(const std::string& line) const
    {
        const auto& writes = m_logger.Writes();
        return static_cast<int>(std::count(writes.begin(), writes.end(), line));
    }

    bool Wrote(const std::string& line) const { return CountWrites(line) > 0; }

    // The writes that start with prefix, in order.
    std::vector<std::string> WritesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& w : m_logger.Writes()) {
            if (w.compare(0, prefix.size(), prefix) == 0) out.push_back(w);
        }
        return out;
    }

    const CTransferReport& OnlyReport() const
    {
        EXPECT_EQ(m_observer.m_reports.size(), 1u);
        return m_observer.m_reports.back();
    }

    CFakeClock m_clock;
    CFakeLogger m_logger{m_clock};
    CRecordingObserver m_observer;
    CConfiguration m_config;
};

}  // namespace fennmere::test
