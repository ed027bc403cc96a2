// Loading and saving setup files on disk.
#pragma once

#include <string>
#include <string_view>

#include "configuration.h"

namespace fennmere {

struct CFileResult {
    bool m_bOk = true;
    std::string m_strError;  // "<path>: <reason>" when !m_bOk
};

// Reads the whole file and applies it on top of config (nothing is reset
// first). On a read error config is left untouched.
CFileResult LoadSetupFile(CConfiguration& config, const std::string& path);

// Writes bytes to path atomically: a temporary file in the same folder is
// written, flushed and renamed over path only when every byte is out, so a
// failed save leaves the old file as it was.
CFileResult SaveFileAtomically(const std::string& path, std::string_view bytes);

// Whether SaveFileAtomically could write path now: path is not a folder and
// a file can be made beside it (one is made and removed again). Lets a
// command refuse a bad output file before it does anything it cannot undo.
CFileResult CheckWritable(const std::string& path);

// WriteSetupFile + SaveFileAtomically.
CFileResult SaveSetupFile(const CConfiguration& config, const std::string& path);

}  // namespace fennmere
