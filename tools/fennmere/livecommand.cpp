// fennmere live: prints the data lines a logger emits, one row each, as they
// arrive.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "commandline.h"
#include "config/text.h"
#include "interrupt.h"
#include "link/clock.h"
#include "link/exchange.h"
#include "link/liveacquisition.h"
#include "link/serialport.h"

namespace fennmere::cli {

namespace {

std::atomic<bool> g_bStopRequested{false};

long PositiveCount(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stol(text) == 0)
        throw CUsageError("--count must be a positive whole number, not '" + text + "'");
    return std::stol(text);
}

double PositiveSeconds(const std::string& text)
{
    std::size_t used = 0;
    double seconds = 0.0;
    try {
        seconds = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || !(seconds > 0.0) || seconds > 1e9)
        throw CUsageError("--duration must be a positive number of seconds, not '" + text + "'");
    return seconds;
}

std::string CsvField(const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char ch : field) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + '"';
}

enum class EFormat { Table, Csv };

// Writes the header once the port is open and each row as it comes, flushing
// per row so that a pipe or a terminal sees it at once.
class CPrintingSink final : public CLiveSink {
public:
    // limit: rows to print at most (0: no limit); the rest of the read that
    // brought the last of them is dropped.
    // checkFields: say once when a data line's field count does not match
    // the value columns (a separator that is not the logger's, a wrong
    // configuration).
    CPrintingSink(EFormat format, bool verbose, wchar_t separator, long limit, bool checkFields)
        : m_eFormat(format), m_bVerbose(verbose), m_separator(separator), m_nLimit(limit), m_bCheckFields(checkFields)
    {
    }

    void Begin(const std::vector<CText>& valueColumns) override
    {
        m_titles = {"Date", "Time"};
        for (const CText& title : valueColumns) m_titles.push_back(NarrowLatin1(title));
        m_widths.clear();
        for (std::size_t i = 0; i < m_titles.size(); ++i) {
            const std::size_t least = i == 0 ? 10 : 8;
            m_widths.push_back(std::max(least, m_titles[i].size()));
        }
    }

    void Line(const CText& line) override
    {
        if (line.empty()) return;
        if (SplitDataLine(line, m_separator, 0)) {
            if (m_bCheckFields && !m_bFieldsSaid) CheckFieldCount(line);
            return;
        }
        if (m_bVerbose) std::fprintf(stderr, "%s\n", NarrowLatin1(line).c_str());
    }

    void Row(CLiveRow row) override
    {
        if (m_bWriteFailed || (m_nLimit > 0 && m_nRows >= m_nLimit)) return;
        std::vector<std::string> fields = {NarrowLatin1(row.m_strDate), NarrowLatin1(row.m_strTime)};
        for (const CText& value : row.m_values) fields.push_back(NarrowLatin1(value));
        Print(fields);
        ++m_nRows;
    }

    void Failed(ETransferStatus, const std::string&) override {}

    void PrintHeader()
    {
        if (m_bHeaderDone) return;
        m_bHeaderDone = true;
        Print(m_titles);
    }

    long Rows() const { return m_nRows; }
    bool WriteFailed() const { return m_bWriteFailed; }
    int WriteError() const { return m_nWriteErrno; }

private:
    void Print(const std::vector<std::string>& fields)
    {
        std::string text;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (m_eFormat == EFormat::Csv) {
                if (i > 0) text += ',';
                text += CsvField(fields[i]);
                continue;
            }
            if (i > 0) text += "  ";
            const std::size_t width = i < m_widths.size() ? m_widths[i] : 0;
            const std::string pad(fields[i].size() < width ? width - fields[i].size() : 0, ' ');
            // Date and time read from the left, values line up on their right.
            text += i < 2 ? fields[i] + pad : pad + fields[i];
        }
        if (m_eFormat == EFormat::Table) {
            while (!text.empty() && text.back() == ' ') text.pop_back();
            text += '\n';
        } else {
            text += "\r\n";
        }
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            m_bWriteFailed = true;
            m_nWriteErrno = errno;
        }
    }

    void CheckFieldCount(const CText& line)
    {
        // Date and time, then the values; a space separator runs over any
        // number of spaces.
        std::size_t fields = 0;
        if (m_separator == L' ') {
            for (std::size_t i = 0; i < line.size(); ++i)
                if (line[i] != L' ' && (i == 0 || line[i - 1] == L' ')) ++fields;
        } else {
            fields = 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), m_separator));
        }
        const std::size_t columns = m_titles.size();
        if (fields == columns) return;
        m_bFieldsSaid = true;
        std::fprintf(stderr,
                     "data lines carry %zu fields but the configuration gives %zu columns (Date, Time and %zu "
                     "values, separated by '%c'): check --config and the logger's DataFormat\n",
                     fields, columns, columns - 2, static_cast<char>(m_separator));
    }

    EFormat m_eFormat;
    bool m_bVerbose;
    wchar_t m_separator;
    std::vector<std::string> m_titles;
    std::vector<std::size_t> m_widths;
    bool m_bHeaderDone = false;
    bool m_bWriteFailed = false;
    int m_nWriteErrno = 0;
    long m_nLimit;
    long m_nRows = 0;
    bool m_bCheckFields;
    bool m_bFieldsSaid = false;
};

struct CLiveOptions {
    CPortOption m_port;
    CBaudOption m_baud;
    std::string m_strConfig;
    CLI::Option* m_pConfig = nullptr;
    CSensorsOption m_sensors;
    std::string m_strFormat = "table";
    std::string m_strCount;
    CLI::Option* m_pCount = nullptr;
    std::string m_strDuration;
    CLI::Option* m_pDuration = nullptr;
    bool m_bVerbose = false;
};

int Live(const CLiveOptions& o, const CPositional& positional)
{
    ExpectPositional(positional, 0, 0);

    if (o.m_port.Several()) throw CUsageError("live listens to one logger: give --port once");
    if (o.m_port.m_ports.empty() || o.m_port.m_ports.front().empty()) throw CUsageError("--port is required");
    const std::string& port = o.m_port.m_ports.front();
    const std::string& formatText = o.m_strFormat;
    if (formatText != "table" && formatText != "csv")
        throw CUsageError("--format must be table or csv, not '" + formatText + "'");
    const EFormat format = formatText == "csv" ? EFormat::Csv : EFormat::Table;
    const long count = o.m_pCount->count() > 0 ? PositiveCount(o.m_strCount) : 0;
    const double seconds = o.m_pDuration->count() > 0 ? PositiveSeconds(o.m_strDuration) : 0.0;
    if (o.m_baud.Given()) CheckBaud(o.m_baud.m_strBaud);

    CConfiguration config = o.m_sensors.NewDocument();
    const std::optional<std::string> configFile =
        o.m_pConfig->count() > 0 ? std::optional<std::string>(o.m_strConfig) : std::nullopt;
    if (configFile) OpenSetupFile(config, *configFile);
    config.m_panel.m_strComPort = WidenLatin1(port);
    if (o.m_baud.Given()) config.m_panel.m_strBaud = WidenLatin1(o.m_baud.m_strBaud);
    const CLiveSettings settings = LiveSettingsFor(config);

    CatchStopRequests(g_bStopRequested);
    CPrintingSink sink(format, o.m_bVerbose, settings.m_separator, count, configFile.has_value());
    CClock& clock = CSystemClock::Instance();
    const auto deadline = clock.Now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                            std::chrono::duration<double>(seconds));
    // Asked first right after the port has opened: the header goes out then,
    // so that a port that cannot be opened leaves standard output empty.
    bool opened = false;
    auto keepRunning = [&] {
        if (!opened && !configFile)
            std::fputs("no --config: value columns unknown, only Date and Time are shown\n", stderr);
        opened = true;
        sink.PrintHeader();
        if (g_bStopRequested.load() || sink.WriteFailed()) return false;
        if (count > 0 && sink.Rows() >= count) return false;
        return seconds <= 0.0 || clock.Now() < deadline;
    };
    const CLiveResult result = RunLive(SharedPort(), clock, settings, keepRunning, sink);
    if (result.m_eStatus != ETransferStatus::Ok) {
        std::fprintf(stderr, "fennmere live: %s\n", result.m_strMessage.c_str());
        return ExitForStatus(result.m_eStatus);
    }
    if (sink.WriteFailed() && sink.WriteError() != EPIPE) throw CFileError("<stdout>: write error");
    return kExitOk;
}

}  // namespace

void AddLiveCommand(CCommandLine& line)
{
    auto o = std::make_shared<CLiveOptions>();
    CLI::App& app = line.Add("live", "print the data lines a logger emits as they arrive",
                             {"usage: fennmere live --port P [--baud B] [--config FILE] [--format table|csv]\n"
                              "                     [--count N] [--duration S] [--verbose]",
                              "Listens to the logger on port P and prints every data line it emits (a line\n"
                              "that begins with a date) as one row: Date, Time, then one field per value\n"
                              "column, exactly as received. Nothing is sent to the logger. The value\n"
                              "columns follow from the outputs of the configuration: one titled with the\n"
                              "alias of each output that has an input, then Min, Max and Stdev for each\n"
                              "statistic switched on. Rows go to standard output as they arrive, oldest\n"
                              "first. Runs until N rows have been printed, S seconds have passed, or\n"
                              "SIGINT / SIGTERM arrives; the port is closed and the exit status is 0.",
                              "Exit status 5 when the port is in use, 6 for any other serial failure."},
                             [o](const CPositional& positional) { return Live(*o, positional); });
    o->m_port.Declare(app);
    o->m_baud.Declare(app);
    o->m_pConfig = app.add_option("--config", o->m_strConfig,
                                  "setup file whose outputs and DataFormat give the value\n"
                                  "columns and the separator (default: a new configuration,\n"
                                  "which has no value columns)")
                       ->option_text("FILE");
    o->m_sensors.Declare(app);
    app.add_option("--format", o->m_strFormat,
                   "table (the default): columns padded to a common width\n"
                   "for a terminal: Date and Time left-aligned, values\n"
                   "right-aligned, two spaces between columns; a field wider\n"
                   "than its column pushes the rest of the row to the right;\n"
                   "csv: RFC 4180: a header row, CR LF line ends, a field\n"
                   "quoted when it holds a comma, a quote or a line end")
        ->option_text("F");
    o->m_pCount = app.add_option("--count", o->m_strCount, "stop after N rows")->option_text("N");
    o->m_pDuration =
        app.add_option("--duration", o->m_strDuration, "stop after S seconds (fractions allowed)")->option_text("S");
    app.add_flag("--verbose", o->m_bVerbose,
                 "also print the lines that are not data (prompts, notes)\n"
                 "on standard error");
}

}  // namespace fennmere::cli
