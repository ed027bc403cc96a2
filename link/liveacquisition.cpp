#include "liveacquisition.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cwctype>

#include "config/text.h"
#include "exchange.h"
#include "serialexception.h"
#include "trace.h"
#include "transfersession.h"

namespace fennmere {

namespace {

bool IsWhite(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring_view Trim(std::wstring_view text)
{
    while (!text.empty() && IsWhite(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsWhite(text.back())) text.remove_suffix(1);
    return text;
}

// A data line begins with a date: three numbers separated by dots.
bool StartsWithDate(std::wstring_view line)
{
    // Only the beginning matters; a bounded prefix keeps the narrow copy small
    // however long the line is.
    std::string narrow = WideToNarrow(line.substr(0, 64));
    int day = 0, month = 0, year = 0;
    return std::sscanf(narrow.c_str(), "%02d.%02d.%4d", &day, &month, &year) == 3;
}

// Takes the text before the next separator and removes it with the separator;
// without a separator the whole rest is the field.
CText TakeField(std::wstring_view& line, wchar_t separator)
{
    const std::size_t at = line.find(separator);
    if (at == std::wstring_view::npos) {
        CText field(line);
        line = {};
        return field;
    }
    CText field(line.substr(0, at));
    line.remove_prefix(at + 1);
    return field;
}

}  // namespace

std::vector<CText> LiveValueColumns(const CConfiguration& config)
{
    std::vector<CText> columns;
    for (int n = 0; n < kOutputsUsed; ++n) {
        const COutput& output = config.m_output[n];
        if (output.m_strInput != L"0") columns.push_back(output.m_strAlias);
        if (output.m_nMin == 1) columns.emplace_back(L"Min");
        if (output.m_nMax == 1) columns.emplace_back(L"Max");
        if (output.m_nStdev == 1) columns.emplace_back(L"Stdev");
    }
    return columns;
}

wchar_t LiveSeparator(const CText& dataFormat) { return dataFormat == L"CSV" ? L',' : L' '; }

std::optional<CLiveRow> SplitDataLine(std::wstring_view line, wchar_t separator, std::size_t valueColumns)
{
    if (!StartsWithDate(line)) return std::nullopt;
    CLiveRow row;
    // Date and time: without a separator they are empty and the line stays.
    std::size_t at = line.find(separator);
    if (at != std::wstring_view::npos) {
        row.m_strDate.assign(line.substr(0, at));
        line.remove_prefix(at + 1);
    }
    at = line.find(separator);
    if (at != std::wstring_view::npos) {
        row.m_strTime.assign(line.substr(0, at));
        line.remove_prefix(at + 1);
    }
    row.m_values.reserve(valueColumns);
    for (std::size_t j = 0; j < valueColumns; ++j) {
        while (!line.empty() && line.front() == L' ') line.remove_prefix(1);
        row.m_values.push_back(TakeField(line, separator));
    }
    return row;
}

CLiveLineParser::CLiveLineParser(wchar_t separator, std::size_t valueColumns)
    : m_separator(separator), m_nValueColumns(valueColumns)
{
}

void CLiveLineParser::Feed(std::wstring_view text, CLiveSink& sink)
{
    m_strPending.append(text);
    std::size_t crlf = m_strPending.find(L"\r\n");
    if (crlf == CText::npos) {
        if (m_strPending.size() > kMaxPending) {
            const std::wstring_view line = Trim(m_strPending);
            if (!line.empty()) sink.Line(CText(line));
            m_strPending.clear();
        }
        return;
    }
    std::size_t lead = 0;
    while (lead < m_strPending.size() && IsWhite(m_strPending[lead])) ++lead;
    m_strPending.erase(0, lead);
    while ((crlf = m_strPending.find(L"\r\n")) != CText::npos) TakeLine(crlf, sink);
}

void CLiveLineParser::TakeLine(std::size_t crlf, CLiveSink& sink)
{
    const CText line(Trim(std::wstring_view(m_strPending).substr(0, crlf)));
    // The line and its CR go; the LF is white space in front of the next line.
    m_strPending.erase(0, crlf + 1);
    std::size_t lead = 0;
    while (lead < m_strPending.size() && IsWhite(m_strPending[lead])) ++lead;
    m_strPending.erase(0, lead);
    sink.Line(line);
    if (auto row = SplitDataLine(line, m_separator, m_nValueColumns)) sink.Row(std::move(*row));
}

CLiveSettings LiveSettingsFor(const CConfiguration& config)
{
    CLiveSettings settings;
    settings.m_strComPort = config.m_panel.m_strComPort;
    settings.m_strBaud = config.m_panel.m_strBaud;
    settings.m_separator = LiveSeparator(config.m_system.m_strDataFormat);
    settings.m_columns = LiveValueColumns(config);
    return settings;
}

CLiveResult RunLive(CPortIo& port, CClock& clock, const CLiveSettings& settings,
                    const std::function<bool()>& keepRunning, CLiveSink& sink)
{
    sink.Begin(settings.m_columns);
    CLiveLineParser parser(settings.m_separator, settings.m_columns.size());
    CLiveResult result;
    try {
        const std::string portName = WideToNarrow(settings.m_strComPort);
        const uint32_t baud = BaudFromText(settings.m_strBaud);
        if (portName.empty() || baud == 0) {
            result.m_eStatus = ETransferStatus::CommunicationError;
            result.m_strMessage = portName.empty() ? "No COM port chosen" : "No usable PC baud rate";
            Trace("Handle Exception, Message %s\n", result.m_strMessage.c_str());
            return result;
        }
        port.Open(portName, baud);
        port.SetTimeouts(kTransferTimeouts);
        std::array<char, kLiveReadSize> area{};
        while (keepRunning()) {
            const std::size_t count = port.Read(area.data(), area.size());
            // Zero bytes carry no text; they are dropped rather than cutting
            // off what follows them in the same read.
            std::string bytes;
            bytes.reserve(count);
            for (std::size_t i = 0; i < count; ++i)
                if (area[i] != '\0') bytes.push_back(area[i]);
            if (!bytes.empty()) parser.Feed(WidenLatin1(bytes), sink);
            // A full read means more is waiting: read again at once, so that
            // a logger sending faster than one area per pause is not left
            // behind until the port's input buffer overflows and lines are
            // lost. Otherwise pause as usual.
            if (count < area.size()) clock.Sleep(std::chrono::milliseconds(kLivePauseMs));
        }
        port.Flush();
        port.Close();
    } catch (const CSerialException& e) {
        Trace("Handle Exception, Message %s\n", e.GetErrorMessage().c_str());
        result.m_eStatus = TransferStatusFor(e);
        result.m_strMessage = e.GetErrorMessage();
        return result;
    }
    sink.Ended();
    return result;
}

}  // namespace fennmere
