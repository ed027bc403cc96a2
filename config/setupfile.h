// Loading and saving setup files on disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "configuration.h"

namespace fennmere {

struct CFileResult {
    bool m_bOk = true;
    std::string m_strError;  // "<path>: <reason>" when !m_bOk
};

// Setup and sensor files are a few kilobytes; anything larger than this is
// refused rather than read into memory (a wrong file, /dev/zero).
inline constexpr std::size_t kLargestInputFile = 16u << 20;

// Reads the whole of path into bytes: a regular file, a pipe or a process
// substitution alike ("-" is standard input), at most kLargestInputFile
// bytes. Every failure (a
// folder, a missing or unreadable file, a read error, a file too large) is
// a result, never an exception.
CFileResult ReadInputFile(const std::string& path, std::string& bytes);

// Reads the whole file and applies it on top of config (nothing is reset
// first). A complete configuration file (the JSON that `fennmere show
// --json` prints) replaces every field instead, except the panel's port,
// PC baud rate and clock flag and the port table, which stay this
// computer's. On a read error, and for a file of which no line is a
// configuration line (a photo, a CSV export: "<path>: holds no
// configuration line": "<path> holds no configuration line"), config is left
// untouched. When dropped is given, it
// receives every field where the file holds characters reading drops
// (DroppedCharacterFields), so that the operator can be told. When complete
// is given, it tells whether the file was a complete configuration file.
CFileResult LoadSetupFile(CConfiguration& config, const std::string& path,
                          std::vector<std::string>* dropped = nullptr, bool* complete = nullptr);

// LoadSetupFile on bytes already read; path only names the file in the
// error texts.
CFileResult LoadSetupBytes(CConfiguration& config, std::string_view bytes, const std::string& path,
                           std::vector<std::string>* dropped = nullptr, bool* complete = nullptr);

// The error text LoadSetupFile gives a file without a configuration line.
inline constexpr const char* kNoConfigurationLine = "holds no configuration line";

// Writes bytes to path. A regular file (or a new one) is replaced
// atomically: a temporary file in the same folder is written, flushed and
// renamed over path only when every byte is out, so a failed save leaves the
// old file as it was. A symbolic link is followed and its target replaced
// the same way (the link stays a link). A replaced file keeps its
// permissions; a new one is readable by the user alone (0600), whatever the
// umask, since setup files carry the modem PIN and passwords. What is not a
// regular file (a character device such as /dev/null, a FIFO, /dev/stdout)
// is written into directly and never replaced.
CFileResult SaveFileAtomically(const std::string& path, std::string_view bytes);

// Whether SaveFileAtomically could write path now: path is not a folder and
// a file can be made beside it (one is made and removed again). Lets a
// command refuse a bad output file before it does anything it cannot undo.
CFileResult CheckWritable(const std::string& path);

// WriteSetupFile + SaveFileAtomically.
CFileResult SaveSetupFile(const CConfiguration& config, const std::string& path);

}  // namespace fennmere
