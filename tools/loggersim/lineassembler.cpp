#include "lineassembler.h"

namespace fennmere {

namespace {

// The command is what a line holds between stray LFs at its start and its CR.
std::string CommandText(const std::string& raw)
{
    std::size_t begin = raw.find_first_not_of('\n');
    if (begin == std::string::npos) return {};
    std::size_t end = raw.size();
    if (end > begin && raw[end - 1] == '\r') --end;
    return raw.substr(begin, end - begin);
}

}  // namespace

void CLineAssembler::Feed(std::string_view bytes, const CRxRates& rates, std::vector<CLineEvent>& events)
{
    m_lastRates = rates;
    for (char byte : bytes) {
        if (m_bPending) {
            if (byte == '\n') {
                m_pending.m_strText += '\n';
                Flush(events);
                continue;
            }
            Flush(events);
        }
        if (m_strLine.size() < kMaxLine) m_strLine += byte;
        if (byte == '\r') EndLine(rates, events);
    }
}

void CLineAssembler::EndLine(const CRxRates& rates, std::vector<CLineEvent>& events)
{
    if (m_strLine.back() != '\r') m_strLine += '\r';  // an overlong line keeps its end
    events.push_back({CLineEvent::EKind::Command, CommandText(m_strLine), rates});
    m_pending = {CLineEvent::EKind::Record, std::move(m_strLine), rates};
    m_bPending = true;
    m_strLine.clear();
}

void CLineAssembler::Flush(std::vector<CLineEvent>& events)
{
    if (!m_bPending) return;
    events.push_back(std::move(m_pending));
    m_pending = {};
    m_bPending = false;
}

void CLineAssembler::EndSession(std::vector<CLineEvent>& events)
{
    Flush(events);
    if (!m_strLine.empty()) events.push_back({CLineEvent::EKind::Record, std::move(m_strLine), m_lastRates});
    m_strLine.clear();
}

}  // namespace fennmere
