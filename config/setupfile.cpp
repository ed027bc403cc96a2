#include "setupfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "configdump.h"
#include "configparser.h"
#include "configwriter.h"

namespace fennmere {

namespace {

CFileResult Failure(const std::string& path, const std::string& reason)
{
    return CFileResult{false, path + ": " + reason};
}

std::string ErrnoText(int error) { return std::strerror(error); }

std::string TemporaryNameBeside(const std::filesystem::path& target)
{
    std::random_device entropy;
    std::mt19937 generator(entropy());
    std::uniform_int_distribution<unsigned> digits(0, 0xFFFFFF);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06x", digits(generator));
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp-";
    name += suffix;
    return (target.parent_path() / name).string();
}

// Puts temporary in target's place in one step.
void ReplaceWith(const std::filesystem::path& temporary, const std::filesystem::path& target, std::error_code& ec)
{
#ifdef _WIN32
    // Windows' rename refuses a name that is taken; the move replaces it.
    ec.clear();
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ec = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
#else
    std::filesystem::rename(temporary, target, ec);
#endif
}

}  // namespace

CFileResult ReadInputFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const bool standardInput = path == "-";
    std::error_code ec;
    if (!standardInput && std::filesystem::is_directory(path, ec)) return Failure(path, "is a directory");
    std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Failure(path, ErrnoText(errno));
    const auto close = [&] {
        if (!standardInput) std::fclose(file);
    };
    std::vector<char> block(64 * 1024);
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file);
        if (got == 0) break;
        if (bytes.size() + got > kLargestInputFile) {
            close();
            bytes.clear();
            return Failure(path, "is larger than 16 MiB, far more than any setup or sensor file");
        }
        bytes.append(block.data(), got);
    }
    const int error = std::ferror(file) ? errno : 0;
    close();
    if (error != 0) {
        bytes.clear();
        return Failure(path, ErrnoText(error));
    }
    return {};
}

CFileResult LoadSetupFile(CConfiguration& config, const std::string& path, std::vector<std::string>* dropped,
                          bool* complete)
{
    std::string bytes;
    if (CFileResult read = ReadInputFile(path, bytes); !read.m_bOk) return read;
    return LoadSetupBytes(config, bytes, path, dropped, complete);
}

CFileResult LoadSetupBytes(CConfiguration& config, std::string_view bytes, const std::string& path,
                           std::vector<std::string>* dropped, bool* complete)
{
    CConfiguration loaded = config;
    if (complete != nullptr) *complete = IsConfigurationJson(bytes);
    if (IsConfigurationJson(bytes)) {
        std::string error;
        if (!ConfigurationFromJson(bytes, loaded, error)) {
            return Failure(path, "not a complete configuration file (" + error + ")");
        }
        // Which port this computer talks through, and which ports it has,
        // stay this computer's.
        loaded.m_panel.m_strComPort = config.m_panel.m_strComPort;
        loaded.m_panel.m_strBaud = config.m_panel.m_strBaud;
        loaded.m_panel.m_nClock = config.m_panel.m_nClock;
        loaded.m_nPortAvailable = config.m_nPortAvailable;
        config = std::move(loaded);
        return {};
    }
    if (ReadSetupText(loaded, bytes) == 0) return CFileResult{false, path + " " + kNoConfigurationLine};
    if (dropped != nullptr) {
        CConfiguration meant = config;
        ReadSetupText(meant, bytes, ELineCharacters::All);
        *dropped = DroppedCharacterFields(meant, loaded);
    }
    config = std::move(loaded);
    return {};
}

namespace {

// Names that stand for one of this process's own streams: written into,
// whatever they point at (a terminal, a pipe, a file the shell opened).
bool IsStandardStream(const std::filesystem::path& path)
{
    const std::string text = path.lexically_normal().string();
    return text == "/dev/stdout" || text == "/dev/stderr" || text.rfind("/dev/fd/", 0) == 0 ||
           text.rfind("/proc/self/fd/", 0) == 0;
}

// Every byte out, flushed and closed; errors name path.
CFileResult WriteAndClose(std::FILE* file, const std::string& path, std::string_view bytes)
{
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = written ? 0 : errno;
    if (std::fflush(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    return written ? CFileResult{} : Failure(path, ErrnoText(error != 0 ? error : EIO));
}

CFileResult WriteInto(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return Failure(path, ErrnoText(errno));
    return WriteAndClose(file, path, bytes);
}

// A file made here, never one that was there (nor what a link planted under
// its name points at). It is the user's alone from the start, whatever the
// umask: what is saved carries the modem PIN and passwords.
std::FILE* CreateOwnFile(const std::string& path)
{
#ifdef _WIN32
    // A new file takes its rights from the folder there.
    return std::fopen(path.c_str(), "wb");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fchmod(fd, 0600) == 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
#endif
}

// CreateOwnFile on a fresh temporary name beside target; on success
// temporary holds the name. A name taken by chance is tried again.
std::FILE* CreateTemporaryBeside(const std::filesystem::path& target, std::string& temporary)
{
    for (int attempt = 0;; ++attempt) {
        temporary = TemporaryNameBeside(target);
        std::FILE* file = CreateOwnFile(temporary);
        if (file != nullptr || errno != EEXIST || attempt == 8) return file;
    }
}

}  // namespace

CFileResult SaveFileAtomically(const std::string& path, std::string_view bytes)
{
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code ec;
    if (IsStandardStream(target)) return WriteInto(path, bytes);
    // A link is followed to what it finally names, which is then replaced
    // (or written into) in its place.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return Failure(path, ec.message());
        target = resolved;
    }
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) return Failure(path, "is a directory");
    if (fs::exists(status) && !fs::is_regular_file(status)) return WriteInto(target.string(), bytes);
    std::string temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (file == nullptr) return Failure(path, ErrnoText(errno));
    // Errors name path: the temporary name means nothing to the operator.
    if (CFileResult written = WriteAndClose(file, path, bytes); !written.m_bOk) {
        fs::remove(temporary, ec);
        return written;
    }
    // Keep the permissions of the file being replaced; a new one stays the
    // user's alone.
    if (fs::exists(status)) fs::permissions(temporary, status.permissions(), ec);
    ReplaceWith(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Failure(path, ec.message());
    }
    return {};
}

CFileResult CheckWritable(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (IsStandardStream(target)) return {};
    if (fs::is_symlink(fs::symlink_status(target, ec))) target = fs::weakly_canonical(target, ec);
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) return Failure(path, "is a directory");
    if (fs::exists(status) && !fs::is_regular_file(status)) return {};
    std::string temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (file == nullptr) return Failure(path, ErrnoText(errno));
    std::fclose(file);
    fs::remove(temporary, ec);
    return {};
}

CFileResult SaveSetupFile(const CConfiguration& config, const std::string& path)
{
    return SaveFileAtomically(path, WriteSetupFile(config));
}

}  // namespace fennmere
