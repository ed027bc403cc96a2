// Live acquisition: listens on the panel's port to the text lines a logger
// emits on its own, keeps the lines that begin with a date (the data lines)
// and splits each into its date, its time and its value fields. Which value
// columns exist follows from the configuration's output table. The logger
// computes every value, minimum, maximum and deviation itself; the fields are
// passed on exactly as received.
//
// Nothing here sends a command: acquisition only reads.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock.h"
#include "config/configuration.h"
#include "portio.h"
#include "transferobserver.h"

namespace fennmere {

// One data line: the date field, the time field and one field per value
// column (empty where the line carried fewer fields than there are columns).
struct CLiveRow {
    CText m_strDate;
    CText m_strTime;
    std::vector<CText> m_values;
    bool operator==(const CLiveRow&) const = default;
};

// The titles of the value columns, in output order 1 to 32: the alias of each
// output whose input is not "0", then "Min", "Max" and "Stdev" for each of its
// statistics flags that is 1 (whatever its input).
std::vector<CText> LiveValueColumns(const CConfiguration& config);

// The field separator of a data format: ',' for "CSV", ' ' for "Default" and
// for every other format.
wchar_t LiveSeparator(const CText& dataFormat);

// Splits one line (already trimmed) into a row. Not a data line (no row) when
// the line does not begin with three numbers separated by dots, as in
// "01.02.2010". Before each value field the spaces in front of it are
// skipped; once the line is used up the remaining columns stay empty.
std::optional<CLiveRow> SplitDataLine(std::wstring_view line, wchar_t separator, std::size_t valueColumns);

// What an acquisition produces. The acquisition thread calls these; an
// implementation that reaches a window must hand the data over without
// waiting for the window thread (a queued call), because the window thread
// may be waiting for this thread to end (see CLinkControl::StartLive).
class CLiveSink {
public:
    virtual ~CLiveSink() = default;
    // A run starts: the list keeps only Date and Time, loses its rows and
    // gets these value columns.
    virtual void Begin(const std::vector<CText>& valueColumns) = 0;
    // A line was received (data line or not), for the line display.
    virtual void Line(const CText& line) = 0;
    // A data line: the new top row.
    virtual void Row(CLiveRow row) = 0;
    // The port failed: status 5 (in use) or 6, with the port's message. The
    // run is over; under CLinkControl the live bit is already free. Called by
    // whoever ran RunLive, not by RunLive itself.
    virtual void Failed(ETransferStatus status, const std::string& message) = 0;
    // The run is over and the port closed (not called after Failed).
    virtual void Ended() {}
};

// The live text buffer and the line taking: received text goes in, lines
// ending in CR LF come out, trimmed, to the sink; data lines also as rows.
class CLiveLineParser {
public:
    // Pending text without a line end longer than this is given to the sink
    // as a line of its own and dropped, so that a line that never ends (noise,
    // a wrong baud rate) cannot grow the buffer without bound.
    static constexpr std::size_t kMaxPending = 10000;

    CLiveLineParser(wchar_t separator, std::size_t valueColumns);

    void Feed(std::wstring_view text, CLiveSink& sink);
    // The received text not yet taken as a line.
    const CText& Pending() const { return m_strPending; }
    void Clear() { m_strPending.clear(); }

private:
    void TakeLine(std::size_t crlf, CLiveSink& sink);

    wchar_t m_separator;
    std::size_t m_nValueColumns;
    CText m_strPending;
};

// Where a run listens and how it splits, taken from a configuration: the
// panel's port and PC baud texts, the data format and the output table.
struct CLiveSettings {
    CText m_strComPort;
    CText m_strBaud;
    wchar_t m_separator = L' ';
    std::vector<CText> m_columns;
};
CLiveSettings LiveSettingsFor(const CConfiguration& config);

// Read size and pause of the polling cycle.
inline constexpr std::size_t kLiveReadSize = 512;
inline constexpr int kLivePauseMs = 100;

struct CLiveResult {
    ETransferStatus m_eStatus = ETransferStatus::Ok;  // Ok, PortInUse or CommunicationError
    std::string m_strMessage;  // the port's message when it failed
};

// One run on the calling thread: Begin, open the port with the transfer
// time-outs, then read and pause while keepRunning() holds (no pause after a
// read that filled the whole area: the line is busier than the cycle); flush and close
// the port at the end and call Ended. A serial failure ends the run at once
// with status 5 or 6 (trace line written, port left as it is, the caller
// tells the sink); a missing port name or unusable baud text gives 6 without
// opening anything.
CLiveResult RunLive(CPortIo& port, CClock& clock, const CLiveSettings& settings,
                    const std::function<bool()>& keepRunning, CLiveSink& sink);

}  // namespace fennmere
