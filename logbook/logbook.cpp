#include "logbook.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "config/configdump.h"
#include "privatefile.h"

namespace fennmere {

namespace fs = std::filesystem;

namespace {

// An entry's file name carries everything the listing shows, so that a
// listing reads no file: "000007_20261209T231500Z_send_%2Fdev%2FttyUSB0.json".
constexpr std::string_view kSuffix = ".json";

bool Plain(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '.' ||
           ch == '-';
}

std::string Encode(std::string_view text)
{
    std::string out;
    for (char ch : text) {
        if (Plain(ch)) {
            out += ch;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(ch));
            out += escape;
        }
    }
    return out;
}

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

bool Decode(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0) return false;
        out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
    }
    return true;
}

// "000007_20261209T231500Z_send_PORT.json" -> its parts; false for any
// other name (a temporary file, something the user put there).
bool ParseName(const std::string& name, CLogbookEntry& entry)
{
    if (name.size() <= kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return false;
    const std::string stem = name.substr(0, name.size() - kSuffix.size());
    const std::size_t a = stem.find('_');
    const std::size_t b = a == std::string::npos ? a : stem.find('_', a + 1);
    const std::size_t c = b == std::string::npos ? b : stem.find('_', b + 1);
    if (c == std::string::npos || a == 0 || a > 9) return false;
    const std::string number = stem.substr(0, a);
    if (number.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string time = stem.substr(a + 1, b - a - 1);  // 20261209T231500Z
    if (time.size() != 16 || time[8] != 'T' || time[15] != 'Z') return false;
    std::string event;
    if (!Decode(stem.substr(b + 1, c - b - 1), event) || !Decode(stem.substr(c + 1), entry.m_strPort)) return false;
    entry.m_nNumber = std::atoi(number.c_str());
    entry.m_strTime = time.substr(0, 4) + "-" + time.substr(4, 2) + "-" + time.substr(6, 2) + "T" +
                      time.substr(9, 2) + ":" + time.substr(11, 2) + ":" + time.substr(13, 2) + "Z";
    entry.m_strEvent = std::move(event);
    return entry.m_nNumber > 0;
}

std::string UtcText(std::time_t now, bool compact)
{
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, compact ? "%Y%m%dT%H%M%SZ" : "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The longest folder name LogbookFolderName gives, well below any file
// system's limit, with room left for the entries' names.
constexpr std::size_t kFolderNameMax = 64;
constexpr std::string_view kNoSerial = "unknown";

bool IsUpperHex(char ch) { return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F'); }

// A name LogbookFolderName gives or gave before it escaped ('a_b', '.x'):
// nothing that leaves the logbook nor names it.
bool IsFolderName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Plain(name[i]) || name[i] == '_' || name[i] == '~') continue;
        if (name[i] != '%') return false;
        const std::size_t digits = i + 1 < name.size() && name[i + 1] == 'u' ? 8 : 2;
        const std::size_t first = i + 1 + (digits == 8 ? 1 : 0);
        if (first + digits > name.size()) return false;
        for (std::size_t k = first; k < first + digits; ++k)
            if (!IsUpperHex(name[k])) return false;
        i = first + digits - 1;
    }
    return true;
}

bool ListFolder(const fs::path& folder, const std::string& serial, std::vector<CLogbookEntry>& entries,
                std::string& error)
{
    std::error_code failed;
    for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed)) {
        CLogbookEntry entry;
        if (!ParseName(it->path().filename().string(), entry)) continue;
        entry.m_strSerial = serial;
        entry.m_strId = serial + "/" + std::to_string(entry.m_nNumber);
        entry.m_strPath = it->path().string();
        entries.push_back(std::move(entry));
    }
    if (failed) {
        error = folder.string() + ": " + failed.message();
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const CLogbookEntry& a, const CLogbookEntry& b) { return a.m_nNumber > b.m_nNumber; });
    return true;
}

CFileResult Failed(CFileResult& result)
{
    result.m_bOk = false;
    return result;
}

}  // namespace

std::string CLogbook::DefaultFolder()
{
    if (std::string named = Environment("FENNMERE_LOGBOOK"); !named.empty()) return named;
    std::string data = Environment("XDG_DATA_HOME");
    if (data.empty()) {
#ifdef _WIN32
        data = Environment("LOCALAPPDATA");
#else
        data = Environment("HOME");
        if (!data.empty()) data += "/.local/share";
#endif
    }
    if (data.empty()) data = ".";
    return (fs::path(data) / "fennmere" / "logbook").string();
}

std::string LogbookFolderName(const CText& serialNumber)
{
    if (serialNumber.empty()) return std::string(kNoSerial);
    std::string name;
    std::size_t cut = 0;  // where a name too long is cut: never inside an escape
    for (const wchar_t ch : serialNumber) {
        const auto code = static_cast<std::uint32_t>(ch);
        char escape[16];
        if (code < 0x80 && (Plain(static_cast<char>(code)) || code == '_') && !(name.empty() && code == '.')) {
            name += static_cast<char>(code);
        } else {
            // No logger sends a character above Latin-1; one typed in still
            // gets a folder of its own.
            std::snprintf(escape, sizeof escape, code <= 0xFF ? "%%%02X" : "%%u%08X", static_cast<unsigned>(code));
            name += escape;
        }
        if (name.size() <= kFolderNameMax - 17) cut = name.size();
    }
    if (name == kNoSerial) name.replace(0, 1, "%75");
    if (name.size() <= kFolderNameMax) return name;
    // A logger can send a serial number longer than a file name may be; its
    // folder keeps the beginning, told apart by a hash of the whole name.
    std::uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
    for (const char ch : name) hash = (hash ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llX", static_cast<unsigned long long>(hash));
    return name.substr(0, cut) + tail;
}

const char* LogbookEventName(ELogbookEvent event)
{
    switch (event) {
    case ELogbookEvent::Retrieve: return "retrieve";
    case ELogbookEvent::DefaultConfig: return "default-config";
    case ELogbookEvent::BeforeSend: return "before-send";
    case ELogbookEvent::Send: return "send";
    case ELogbookEvent::Restore: return "restore";
    case ELogbookEvent::Verify: return "verify";
    }
    return "unknown";
}

CFileResult CLogbook::Record(const CConfiguration& config, ELogbookEvent kind, std::string_view port,
                             CLogbookEntry* recorded, std::string* warning) const
{
    const std::string_view event = LogbookEventName(kind);
    CFileResult result;
    if (warning != nullptr) warning->clear();
    const std::string serial = LogbookFolderName(config.m_system.m_strSerialNumber);
    const std::time_t now = std::time(nullptr);
    const std::string time = UtcText(now, false);
    const std::string bytes = ConfigurationToJson(config, {{"time", time},
                                                           {"event", std::string(event)},
                                                           {"port", std::string(port)},
                                                           {"version", kProgramVersion}});
    const std::string rest = "_" + UtcText(now, true) + "_" + Encode(event) + "_" + Encode(port) + std::string(kSuffix);
    const auto newName = [&rest](const std::vector<std::string>& names) {
        int last = 0;
        for (const std::string& name : names) {
            CLogbookEntry entry;
            if (ParseName(name, entry)) last = std::max(last, entry.m_nNumber);
        }
        char number[16];
        std::snprintf(number, sizeof number, "%06d", last + 1);
        return number + rest;
    };
    std::string path;
    std::string amiss;
    if (!WriteInPrivateFolder(m_strFolder, serial, bytes, newName, path, result.m_strError, amiss))
        return Failed(result);
    if (warning != nullptr) *warning = std::move(amiss);
    if (recorded != nullptr) {
        ParseName(fs::path(path).filename().string(), *recorded);
        recorded->m_strSerial = serial;
        recorded->m_strId = serial + "/" + std::to_string(recorded->m_nNumber);
        recorded->m_strPath = path;
        recorded->m_strTime = time;
    }
    return result;
}

CFileResult CLogbook::List(std::vector<CLogbookLogger>& loggers) const
{
    CFileResult result;
    std::string& error = result.m_strError;
    loggers.clear();
    std::error_code failed;
    if (!fs::exists(m_strFolder, failed)) {
        if (failed) error = m_strFolder + ": " + failed.message();
        return failed ? Failed(result) : result;
    }
    for (fs::directory_iterator it(m_strFolder, failed), end; !failed && it != end; it.increment(failed)) {
        // A link may lead anywhere: the logbook neither writes nor lists through one.
        if (!IsRealFolder(it->path().string())) continue;
        CLogbookLogger logger;
        logger.m_strSerial = it->path().filename().string();
        if (!ListFolder(it->path(), logger.m_strSerial, logger.m_entries, error)) return Failed(result);
        if (!logger.m_entries.empty()) loggers.push_back(std::move(logger));
    }
    if (failed) {
        error = m_strFolder + ": " + failed.message();
        return Failed(result);
    }
    // The logger seen last first; the time texts sort as times.
    std::sort(loggers.begin(), loggers.end(), [](const CLogbookLogger& a, const CLogbookLogger& b) {
        const std::string& ta = a.m_entries.front().m_strTime;
        const std::string& tb = b.m_entries.front().m_strTime;
        return ta != tb ? ta > tb : a.m_strSerial < b.m_strSerial;
    });
    return result;
}

CFileResult CLogbook::Find(std::string_view id, CLogbookEntry& entry) const
{
    CFileResult result;
    std::string& error = result.m_strError;
    const std::size_t slash = id.rfind('/');
    const std::string serial(id.substr(0, slash == std::string_view::npos ? 0 : slash));
    if (slash == std::string_view::npos || !IsFolderName(serial)) {
        error = "'" + std::string(id) + "' is not a logbook id (SERIAL/N, as 'fennmere logbook' lists them)";
        return Failed(result);
    }
    std::vector<CLogbookEntry> entries;
    const fs::path folder = fs::path(m_strFolder) / serial;
    if (IsRealFolder(folder.string()) && !ListFolder(folder, serial, entries, error)) return Failed(result);
    for (CLogbookEntry& candidate : entries) {
        if (candidate.m_strId == id) {
            entry = std::move(candidate);
            return result;
        }
    }
    error = "no logbook entry " + std::string(id) + " in " + m_strFolder;
    return Failed(result);
}

}  // namespace fennmere
