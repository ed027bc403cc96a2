#include "simoptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "ptyport.h"

namespace fennmere {

namespace {

bool ReadInteger(const std::string& text, long minimum, long& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum) return false;
    value = parsed;
    return true;
}

bool ReadSeconds(const std::string& text, double& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < 0.0) return false;
    value = parsed;
    return true;
}

using CValueHandler = std::function<bool(CSimOptions&, const std::string&)>;
using CFlagHandler = std::function<void(CSimOptions&)>;

const std::map<std::string, CFlagHandler>& FlagOptions()
{
    static const std::map<std::string, CFlagHandler> flags = {
        {"--help", [](CSimOptions& o) { o.m_bHelp = true; }},
        {"-h", [](CSimOptions& o) { o.m_bHelp = true; }},
        {"--pace", [](CSimOptions& o) { o.m_bPace = true; }},
        {"--silent", [](CSimOptions& o) { o.m_bSilent = true; }},
        {"--noise", [](CSimOptions& o) { o.m_bNoise = true; }},
    };
    return flags;
}

const std::map<std::string, CValueHandler>& ValueOptions()
{
    static const std::map<std::string, CValueHandler> values = {
        {"--link",
         [](CSimOptions& o, const std::string& v) {
             o.m_strLink = v;
             return !v.empty();
         }},
        {"--state",
         [](CSimOptions& o, const std::string& v) {
             o.m_strState = v;
             return !v.empty();
         }},
        {"--log",
         [](CSimOptions& o, const std::string& v) {
             o.m_strLog = v;
             return !v.empty();
         }},
        {"--serial",
         [](CSimOptions& o, const std::string& v) {
             o.m_strSerial = v;
             return true;
         }},
        {"--firmware",
         [](CSimOptions& o, const std::string& v) {
             o.m_strFirmware = v;
             return true;
         }},
        {"--baud",
         [](CSimOptions& o, const std::string& v) {
             long rate = 0;
             if (!ReadInteger(v, 1, rate) || !IsStandardBaud(rate)) return false;
             o.m_nBaud = static_cast<int>(rate);
             return true;
         }},
        {"--mismatch",
         [](CSimOptions& o, const std::string& v) {
             if (v == "garbage")
                 o.m_eMismatch = EMismatch::Garbage;
             else if (v == "silence")
                 o.m_eMismatch = EMismatch::Silence;
             else
                 return false;
             return true;
         }},
        {"--data-interval",
         [](CSimOptions& o, const std::string& v) {
             double seconds = 0.0;
             if (!ReadSeconds(v, seconds)) return false;
             o.m_fDataInterval = seconds;
             return true;
         }},
        {"--data-format",
         [](CSimOptions& o, const std::string& v) {
             if (v == "default")
                 o.m_eDataFormat = EDataFormat::Default;
             else if (v == "csv")
                 o.m_eDataFormat = EDataFormat::Csv;
             else
                 return false;
             return true;
         }},
        {"--columns",
         [](CSimOptions& o, const std::string& v) {
             long n = 0;
             if (!ReadInteger(v, 0, n) || n > 200) return false;
             o.m_nColumns = static_cast<int>(n);
             return true;
         }},
        {"--note-every",
         [](CSimOptions& o, const std::string& v) {
             long n = 0;
             if (!ReadInteger(v, 0, n) || n > 1000000) return false;
             o.m_nNoteEvery = static_cast<int>(n);
             return true;
         }},
        {"--stop-at",
         [](CSimOptions& o, const std::string& v) {
             o.m_stopAt.push_back(v);
             return !v.empty();
         }},
        {"--no-ok",
         [](CSimOptions& o, const std::string& v) {
             o.m_noOk.push_back(v);
             return !v.empty();
         }},
        {"--ignore",
         [](CSimOptions& o, const std::string& v) {
             o.m_ignore.push_back(v);
             return !v.empty();
         }},
        {"--split-delay",
         [](CSimOptions& o, const std::string& v) {
             long ms = 0;
             if (!ReadInteger(v, 0, ms) || ms > 60000) return false;
             o.m_nSplitDelayMs = static_cast<int>(ms);
             return true;
         }},
        {"--hangup-after",
         [](CSimOptions& o, const std::string& v) {
             long n = 0;
             if (!ReadInteger(v, 1, n) || n > 1000000000) return false;
             o.m_nHangupAfter = static_cast<int>(n);
             return true;
         }},
        {"--exit-after-idle", [](CSimOptions& o, const std::string& v) { return ReadSeconds(v, o.m_fExitAfterIdle); }},
        {"--count",
         [](CSimOptions& o, const std::string& v) {
             long n = 0;
             if (!ReadInteger(v, 1, n) || n > 64) return false;
             o.m_nCount = static_cast<int>(n);
             return true;
         }},
        {"--seed",
         [](CSimOptions& o, const std::string& v) {
             long seed = 0;
             if (!ReadInteger(v, 0, seed)) return false;
             o.m_nSeed = static_cast<unsigned>(seed);
             return true;
         }},
    };
    return values;
}

// Splits "--name=value" into its two parts; other arguments come back whole.
std::pair<std::string, std::optional<std::string>> SplitInline(const std::string& arg)
{
    auto equals = arg.find('=');
    if (arg.rfind("--", 0) != 0 || equals == std::string::npos) return {arg, std::nullopt};
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

}  // namespace

CParsedOptions ParseSimOptions(const std::vector<std::string>& args)
{
    CParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto [name, inlineValue] = SplitInline(args[i]);
        if (auto flag = FlagOptions().find(name); flag != FlagOptions().end() && !inlineValue) {
            flag->second(parsed.m_options);
            continue;
        }
        auto option = ValueOptions().find(name);
        if (option == ValueOptions().end()) {
            parsed.m_strError = "unknown option " + args[i];
            return parsed;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.m_strError = name + " needs a value";
            return parsed;
        }
        if (!option->second(parsed.m_options, value)) {
            parsed.m_strError = "bad value for " + name + ": '" + value + "'";
            return parsed;
        }
    }
    return parsed;
}

std::string SimUsageText()
{
    return R"(Usage: fennmere-loggersim [options]

Simulates a data logger on a pseudo-terminal. Prints the terminal's device path
on the first line of standard output, then serves one client at a time until
SIGINT, SIGTERM or SIGHUP. Clients may close and reopen the device between
sessions; the logger stays in service mode meanwhile.

Device:
  --link PATH            make PATH a symlink to the device (removed at exit)
  --baud RATE            rate the logger starts at (default 115200); after a
                         "Serial2 <rate>" line it changes to that rate
  --count N              N loggers (1 to 64), each on its own device, printed
                         one path a line; logger K (from 2) has serial
                         number SN+K-1 and its own state, log and link
                         files (FILE.K); every option applies to each
  --mismatch garbage|silence
                         what a client at another rate hears (default garbage)
  --pace                 take as long to send each byte as the rate would
  --state FILE           configuration file: loaded at start when it exists,
                         written (atomically) by SaveConfig
  --serial SN            serial number reported by "?" (default 2105057)
  --firmware VERSION     firmware version reported by "?" (default 2.05)
  --log FILE             record every received line: the client's baud rate
                         ("<client>!=<logger>" when they differ), a tab, and the
                         line with its line end, escaped (\r \n \t \\ \xHH)

Live data (outside service mode, while a client has the device open):
  --data-interval SEC    emit a data line every SEC seconds (fractions allowed;
                         0 = back to back, as fast as the rate allows)
  --data-format default|csv
                         separator space or comma (default: the configured
                         DataFormat)
  --columns N            value fields per line (default: the value columns of
                         the configured outputs)
  --note-every N         a non-data line after every N data lines
  At exit the count of data lines (and bytes, notes included) sent to clients
  at their own rate goes to standard error.

Faults:
  --silent               never answer
  --stop-at CMD          stop answering from the first command starting with CMD
  --no-ok PREFIX         withhold the OK of commands starting with PREFIX
                         (the command is still carried out); repeatable
  --ignore PREFIX        acknowledge configuration lines starting with PREFIX
                         with "OK" but do not store them; repeatable
  --noise                mix control and 8-bit bytes into replies
  --split-delay MS       send each reply in two pieces, MS apart, cutting the
                         closing OK in two
  --hangup-after N       close the device after answering N lines, then exit
  --exit-after-idle SEC  exit when nothing has been received for SEC seconds
  --seed N               seed for noise, garbage and data values (default 1)
  --help                 show this text
)";
}

}  // namespace fennmere
