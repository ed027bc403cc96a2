// Cuts the received byte stream into the logger's command lines.
//
// A CR ends a line and the command is due at once; an LF right after the CR
// still belongs to that line on the wire (the program ends a few lines with
// CR LF). The raw line, with whatever line end it had, is therefore reported
// separately once it is complete: when the next byte shows whether an LF
// followed, or when Flush is called after a quiet moment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fennmere {

// The rates in force when bytes came in.
struct CRxRates {
    long m_nClient = 0;  // what the client set on its side
    long m_nLogger = 0;  // what the logger listens at
    bool Match() const { return m_nClient == m_nLogger; }
};

struct CLineEvent {
    enum class EKind { Command, Record } m_eKind = EKind::Command;
    std::string m_strText;  // Command: the line without CR and LF; Record: the raw line
    CRxRates m_rates;       // when the line's CR arrived
};

class CLineAssembler {
public:
    // Longer lines keep their first kMaxLine bytes.
    static constexpr std::size_t kMaxLine = 4096;

    void Feed(std::string_view bytes, const CRxRates& rates, std::vector<CLineEvent>& events);

    // Completes a line still waiting for a possible LF.
    void Flush(std::vector<CLineEvent>& events);
    bool HasPendingRecord() const { return m_bPending; }

    // The client has gone: completes the pending line and reports a partial
    // one as a record of its own (it was on the wire, but is no command).
    void EndSession(std::vector<CLineEvent>& events);

private:
    void EndLine(const CRxRates& rates, std::vector<CLineEvent>& events);

    std::string m_strLine;    // raw bytes of the line being received
    bool m_bPending = false;  // m_pending ended in CR; an LF may follow
    CLineEvent m_pending;
    CRxRates m_lastRates;  // of the last bytes fed
};

}  // namespace fennmere
