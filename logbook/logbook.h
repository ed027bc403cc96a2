// The logbook: every configuration a logger was seen to hold or was sent,
// each kept as a complete configuration file in a folder per serial number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/configuration.h"
#include "config/setupfile.h"
#include "fennmereversion.h"

namespace fennmere {

// Why an entry was kept.
enum class ELogbookEvent {
    Retrieve,       // read by a Retrieve or a comparison with the logger
    DefaultConfig,  // what the logger held after its default configuration
    BeforeSend,     // the backup a safe Send read first
    Send,           // a configuration sent
    Restore,        // an entry sent back
    Verify,         // what the logger held when a Send's verification failed
};

// The event's name in entry files and listings: "retrieve", "default-config",
// "before-send", "send", "restore", "verify".
const char* LogbookEventName(ELogbookEvent event);

struct CLogbookEntry {
    // "SERIAL/N": the logger's folder and the entry's number in it (1 first).
    std::string m_strId;
    std::string m_strSerial;  // the logger's folder: LogbookFolderName of its serial number
    int m_nNumber = 0;
    std::string m_strTime;   // UTC, "2026-12-09T23:15:00Z"
    std::string m_strEvent;  // "retrieve", "default-config", "before-send", "send", "restore"
    std::string m_strPort;   // as given to the transfer: "COM1", "/dev/ttyUSB0"
    std::string m_strPath;   // the file
};

// A logger as the logbook knows it: its entries newest first.
struct CLogbookLogger {
    std::string m_strSerial;
    std::vector<CLogbookEntry> m_entries;
};

class CLogbook {
public:
    // The folder FENNMERE_LOGBOOK names; otherwise $XDG_DATA_HOME/fennmere/logbook
    // ($HOME/.local/share when XDG_DATA_HOME is not set).
    static std::string DefaultFolder();

    explicit CLogbook(std::string folder = DefaultFolder()) : m_strFolder(std::move(folder)) {}

    const std::string& Folder() const { return m_strFolder; }

    // Keeps config as the next entry of its logger. The file appears whole
    // or not at all, readable by the user alone (folders 0700, files 0600,
    // whatever the umask). Writers at once, in threads or processes, each
    // get a number of their own. A logger's folder that is a symbolic link
    // is not written through. Fails when it could not; otherwise sets
    // warning, when given, to what is amiss though the entry was written (a
    // folder other users can write to), empty if nothing.
    CFileResult Record(const CConfiguration& config, ELogbookEvent event, std::string_view port,
                       CLogbookEntry* recorded = nullptr, std::string* warning = nullptr) const;

    // Every logger, the one seen last first, each with its entries newest
    // first. Reads folder and file names only, and skips a symbolic link in
    // the place of a logger's folder. A logbook that does not exist yet is
    // empty; one that cannot be read fails.
    CFileResult List(std::vector<CLogbookLogger>& loggers) const;

    // Finds an entry by its id.
    CFileResult Find(std::string_view id, CLogbookEntry& entry) const;

private:
    std::string m_strFolder;
};

// The logger's folder name for a serial number, a different one for each:
// its letters, digits, '-', '_' and '.' as they are, every other character
// as %XX of its Latin-1 byte (uppercase hex; '%' itself too; one above
// Latin-1 as %u and 8 hex digits), a leading '.' as %2E. "unknown" for
// the empty serial number, "%75nknown" for "unknown". A name longer than 64
// bytes keeps its beginning up to a whole escape, then '~' and 16 hex digits
// of a hash of the whole.
std::string LogbookFolderName(const CText& serialNumber);

// The program version recorded with each entry.
inline constexpr const char* kProgramVersion = FENNMERE_VERSION;

}  // namespace fennmere
