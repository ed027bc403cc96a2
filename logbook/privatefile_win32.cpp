#include "privatefile.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fennmere {

// A user's profile folders are the user's alone already; the files get no
// further rights of their own.
bool MakePrivateFolder(const std::string& path, std::string& error)
{
    std::error_code failed;
    std::filesystem::create_directories(path, failed);
    if (failed) {
        error = path + ": " + failed.message();
        return false;
    }
    return true;
}

bool WritePrivateFileNew(const std::string& path, std::string_view bytes, bool& exists, std::string& error)
{
    exists = false;
    const std::string temporary = path + ".tmp-" + std::to_string(::GetCurrentProcessId());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = temporary + ": cannot be written";
            std::filesystem::remove(temporary);
            return false;
        }
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails on a taken name.
    if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        exists = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
        error = path + ": " + std::system_category().message(static_cast<int>(code));
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace fennmere
