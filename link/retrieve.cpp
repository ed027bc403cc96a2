#include "retrieve.h"

#include <algorithm>
#include <utility>

#include "config/configparser.h"
#include "config/text.h"
#include "transfersession.h"

namespace fennmere {

namespace {

// The reply to "SerialDriver?\r" starts with the echoed command.
constexpr std::size_t kDriverReplySkip = 16;
constexpr std::size_t kShortestDriverLine = 5;
constexpr std::size_t kClearedReplyBytes = 3000;

struct CQuery {
    std::string_view m_command;
    std::string_view m_expected;
    int m_nLimit;
    int m_nProgress;
};

// In the order the logger is asked.
constexpr CQuery kQueries[] = {
    {"?\r", "OK", 60, 20},
    {"SerialDriver?\r", "\r\nOK", 550, 40},
    {"Config1?\r", "\r\nOK", 350, 47},
    {"Config2?\r", "\r\nOK", 350, 54},
    {"Config3?\r", "\r\nOK", 350, 59},
    {"Config4?\r", "\r\nOK", 350, 66},
    {"Config5?\r", "\r\nOK", 350, 70},
    {"EarlyWarning?\r", "\r\nOK", 350, 75},
    {"Modem?\r", "\r\nOK", 70, 80},
    {"System?\r", "\r\nOK", 70, 90},
};

// "number,header,name\r". A missing comma leaves its field empty (0); with
// fewer than two commas the name runs from the start of the piece. Without a
// CR the name is empty.
CSerialDriver DriverFromPiece(std::wstring_view piece)
{
    CSerialDriver driver;
    std::size_t first = piece.find(L',');
    std::size_t second = first == std::wstring_view::npos ? first : piece.find(L',', first + 1);
    if (first != std::wstring_view::npos) driver.m_nNumber = ParseDecimal(piece.substr(0, first));
    if (second != std::wstring_view::npos) {
        driver.m_nHeader = ParseDecimal(piece.substr(first + 1, second - first - 1));
    }
    std::size_t nameStart = second == std::wstring_view::npos ? 0 : second + 1;
    std::size_t cr = piece.find(L'\r', nameStart);
    if (cr != std::wstring_view::npos) driver.m_strName = piece.substr(nameStart, cr - nameStart);
    return driver;
}

class CRetrieveRun {
public:
    CRetrieveRun(CPortIo& port, CClock& clock, const CConfiguration& operatorConfig,
                 CTransferObserver& observer)
        : m_session(port, clock, observer), m_config(operatorConfig)
    {
    }

    CRetrieveResult Run()
    {
        ResetForRetrieve(m_config);
        m_session.Progress(3);
        try {
            Transfer();
        } catch (const CSerialException& e) {
            m_session.Fail(e);
        }
        CRetrieveResult result;
        result.m_report = m_session.Finish(ETransferKind::Retrieve);
        if (m_session.Ok()) result.m_config = std::move(m_config);
        return result;
    }

private:
    void Transfer()
    {
        if (!m_session.OpenPort(m_config.m_panel.m_strComPort, m_config.m_panel.m_strBaud)) return;
        m_session.Progress(5);
        EnterServiceMode();
        m_session.Progress(10);
        m_session.Pause(100);
        m_session.Exchanger().ClearReply(kClearedReplyBytes);
        for (std::size_t i = 0; i < std::size(kQueries); ++i) {
            Query(kQueries[i]);
            if (i + 1 < std::size(kQueries)) m_session.Pause(100);
        }
        m_session.Progress(95);
        m_session.ExchangeWhileOk("Exit\r", "", 20);
        m_session.Progress(100);
        m_session.Pause(100);
        m_session.FlushAndClose();
        m_session.Progress(0);
    }

    void EnterServiceMode()
    {
        m_session.Exchange("\r", "", 100);
        m_session.Pause(150);
        m_session.ExchangeWhileOk("Exit\r", "", 20);
        m_session.Pause(150);
        m_session.ExchangeWhileOk("Service\r", "Service mode started", 10);
    }

    // A skipped query parses the emptied buffer, which changes nothing; a
    // failed one parses what its last attempt received.
    void Query(const CQuery& query)
    {
        m_session.ExchangeWhileOk(query.m_command, query.m_expected, query.m_nLimit);
        std::string_view reply = m_session.Exchanger().Reply();
        if (query.m_command == "SerialDriver?\r") FillDriverTable(m_config.m_driver, reply);
        if (query.m_command == "Modem?\r" || query.m_command == "System?\r") m_session.Pause(100);
        ParseConfigurationText(m_config, reply);
        m_session.Progress(query.m_nProgress);
        m_session.Exchanger().ClearReply(kClearedReplyBytes);
    }

    CTransferSession m_session;
    CConfiguration m_config;
};

}  // namespace

int FillDriverTable(std::array<CSerialDriver, kSerialDrivers>& table, std::string_view reply)
{
    CText text = WidenLatin1(reply);
    std::wstring_view rest(text);
    rest.remove_prefix(std::min(rest.size(), kDriverReplySkip));

    std::size_t filled = 0;
    while (filled < table.size()) {
        std::size_t lf = rest.find(L'\n');
        std::wstring_view piece = rest.substr(0, lf);
        if (piece.size() >= kShortestDriverLine) table[filled++] = DriverFromPiece(piece);
        if (lf == std::wstring_view::npos) break;
        rest.remove_prefix(lf + 1);
    }
    return static_cast<int>(filled);
}

CRetrieveResult RunRetrieve(CPortIo& port, CClock& clock, const CConfiguration& operatorConfig,
                            CTransferObserver& observer)
{
    return CRetrieveRun(port, clock, operatorConfig, observer).Run();
}

}  // namespace fennmere
