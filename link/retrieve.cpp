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
    CRetrieveRun(CPortIo& port, CClock& clock, const CConfiguration& operatorConfig, CTransferObserver& observer,
                 const CCancelToken* cancel)
        : m_session(port, clock, observer, cancel), m_config(operatorConfig)
    {
    }

    CRetrieveResult Run()
    {
        ResetForRetrieve(m_config);
        m_session.Progress(3);
        m_session.Guard([this] { Transfer(); });
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

template <class T>
void TakeChanged(T& current, const T& atStart, const T& result)
{
    if (!(result == atStart)) current = result;
}

template <class T, std::size_t N>
void TakeChanged(std::array<T, N>& current, const std::array<T, N>& atStart, const std::array<T, N>& result)
{
    for (std::size_t i = 0; i < N; ++i) TakeChanged(current[i], atStart[i], result[i]);
}

void TakeChangedSystem(CSystemSettings& c, const CSystemSettings& a, const CSystemSettings& r)
{
    TakeChanged(c.m_strSerialNumber, a.m_strSerialNumber, r.m_strSerialNumber);
    TakeChanged(c.m_strFirmware, a.m_strFirmware, r.m_strFirmware);
    TakeChanged(c.m_strName, a.m_strName, r.m_strName);
    TakeChanged(c.m_nMeasInterval, a.m_nMeasInterval, r.m_nMeasInterval);
    TakeChanged(c.m_nMeasDelay, a.m_nMeasDelay, r.m_nMeasDelay);
    TakeChanged(c.m_nLogInterval, a.m_nLogInterval, r.m_nLogInterval);
    TakeChanged(c.m_nRepInterval, a.m_nRepInterval, r.m_nRepInterval);
    TakeChanged(c.m_fVref, a.m_fVref, r.m_fVref);
    TakeChanged(c.m_strSerial1, a.m_strSerial1, r.m_strSerial1);
    TakeChanged(c.m_strSerial2, a.m_strSerial2, r.m_strSerial2);
    TakeChanged(c.m_strDataFormat, a.m_strDataFormat, r.m_strDataFormat);
    TakeChanged(c.m_nRs485, a.m_nRs485, r.m_nRs485);
    TakeChanged(c.m_strRs485Address, a.m_strRs485Address, r.m_strRs485Address);
    TakeChanged(c.m_nEws, a.m_nEws, r.m_nEws);
    TakeChanged(c.m_strDay, a.m_strDay, r.m_strDay);
    TakeChanged(c.m_strMonth, a.m_strMonth, r.m_strMonth);
    TakeChanged(c.m_strYear, a.m_strYear, r.m_strYear);
    TakeChanged(c.m_strHour, a.m_strHour, r.m_strHour);
    TakeChanged(c.m_strMinute, a.m_strMinute, r.m_strMinute);
    TakeChanged(c.m_strSecond, a.m_strSecond, r.m_strSecond);
    TakeChanged(c.m_nSetTime, a.m_nSetTime, r.m_nSetTime);
    TakeChanged(c.m_strDisplaySize, a.m_strDisplaySize, r.m_strDisplaySize);
}

void TakeChangedPanel(CPanelSettings& c, const CPanelSettings& a, const CPanelSettings& r)
{
    TakeChanged(c.m_strComPort, a.m_strComPort, r.m_strComPort);
    TakeChanged(c.m_strBaud, a.m_strBaud, r.m_strBaud);
    TakeChanged(c.m_nClock, a.m_nClock, r.m_nClock);
    TakeChanged(c.m_strDevice, a.m_strDevice, r.m_strDevice);
}

}  // namespace

void ApplyChanged(CConfiguration& current, const CConfiguration& atStart, const CConfiguration& result)
{
    TakeChanged(current.m_analog, atStart.m_analog, result.m_analog);
    TakeChanged(current.m_digital, atStart.m_digital, result.m_digital);
    TakeChanged(current.m_serial, atStart.m_serial, result.m_serial);
    TakeChanged(current.m_output, atStart.m_output, result.m_output);
    TakeChanged(current.m_poly, atStart.m_poly, result.m_poly);
    TakeChanged(current.m_strSms, atStart.m_strSms, result.m_strSms);
    for (std::size_t i = 0; i < current.m_internal.size(); ++i) {
        CInternalChannel& c = current.m_internal[i];
        const CInternalChannel& a = atStart.m_internal[i];
        const CInternalChannel& r = result.m_internal[i];
        TakeChanged(c.m_strName, a.m_strName, r.m_strName);
        TakeChanged(c.m_strPoly, a.m_strPoly, r.m_strPoly);
        TakeChanged(c.m_strOutput, a.m_strOutput, r.m_strOutput);
        TakeChanged(c.m_strInput1, a.m_strInput1, r.m_strInput1);
        TakeChanged(c.m_strInput2, a.m_strInput2, r.m_strInput2);
    }
    for (std::size_t i = 0; i < current.m_ews.size(); ++i) {
        CEarlyWarning& c = current.m_ews[i];
        const CEarlyWarning& a = atStart.m_ews[i];
        const CEarlyWarning& r = result.m_ews[i];
        TakeChanged(c.m_strInput, a.m_strInput, r.m_strInput);
        TakeChanged(c.m_strType, a.m_strType, r.m_strType);
        TakeChanged(c.m_strLogInterval, a.m_strLogInterval, r.m_strLogInterval);
        TakeChanged(c.m_strModemInterval, a.m_strModemInterval, r.m_strModemInterval);
        TakeChanged(c.m_strAlarm, a.m_strAlarm, r.m_strAlarm);
        TakeChanged(c.m_strUnits, a.m_strUnits, r.m_strUnits);
        TakeChanged(c.m_nRecipient, a.m_nRecipient, r.m_nRecipient);
    }
    TakeChangedSystem(current.m_system, atStart.m_system, result.m_system);
    TakeChanged(current.m_modem, atStart.m_modem, result.m_modem);
    TakeChangedPanel(current.m_panel, atStart.m_panel, result.m_panel);
    TakeChanged(current.m_sensorDef, atStart.m_sensorDef, result.m_sensorDef);
    TakeChanged(current.m_driver, atStart.m_driver, result.m_driver);
    TakeChanged(current.m_nPortAvailable, atStart.m_nPortAvailable, result.m_nPortAvailable);
}

void ApplyRetrieved(CConfiguration& current, const CConfiguration& atStart, const CConfiguration& retrieved)
{
    ApplyChanged(current, atStart, retrieved);
    // What the Retrieve resets is its own, even where the logger's value
    // happens to equal what the operator had at the start.
    current.m_analog = retrieved.m_analog;
    current.m_digital = retrieved.m_digital;
    current.m_serial = retrieved.m_serial;
    current.m_output = retrieved.m_output;
    current.m_poly = retrieved.m_poly;
    current.m_strSms = retrieved.m_strSms;
    for (std::size_t i = 0; i < current.m_internal.size(); ++i) {
        CInternalChannel& c = current.m_internal[i];
        const CInternalChannel& r = retrieved.m_internal[i];
        c.m_strPoly = r.m_strPoly;
        c.m_strOutput = r.m_strOutput;
        c.m_strInput1 = r.m_strInput1;
        c.m_strInput2 = r.m_strInput2;
    }
    for (std::size_t i = 0; i < current.m_ews.size(); ++i) {
        CEarlyWarning& c = current.m_ews[i];
        const CEarlyWarning& r = retrieved.m_ews[i];
        c.m_strInput = r.m_strInput;
        c.m_strType = r.m_strType;
        c.m_strLogInterval = r.m_strLogInterval;
        c.m_strModemInterval = r.m_strModemInterval;
        c.m_strAlarm = r.m_strAlarm;
        c.m_strUnits = r.m_strUnits;
    }
    CSystemSettings& s = current.m_system;
    const CSystemSettings& r = retrieved.m_system;
    s.m_strSerialNumber = r.m_strSerialNumber;
    s.m_strName = r.m_strName;
    s.m_nMeasInterval = r.m_nMeasInterval;
    s.m_nMeasDelay = r.m_nMeasDelay;
    s.m_nLogInterval = r.m_nLogInterval;
    s.m_nRepInterval = r.m_nRepInterval;
    s.m_fVref = r.m_fVref;
    s.m_strSerial1 = r.m_strSerial1;
    s.m_strSerial2 = r.m_strSerial2;
    s.m_strDataFormat = r.m_strDataFormat;
    s.m_nRs485 = r.m_nRs485;
    current.m_modem = retrieved.m_modem;
}

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
                            CTransferObserver& observer, const CCancelToken* cancel)
{
    return CRetrieveRun(port, clock, operatorConfig, observer, cancel).Run();
}

}  // namespace fennmere
