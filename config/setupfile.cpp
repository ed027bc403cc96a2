#include "setupfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

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
    auto name = "." + target.filename().string() + ".tmp-" + suffix;
    return (target.parent_path() / name).string();
}

}  // namespace

CFileResult LoadSetupFile(CConfiguration& config, const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return Failure(path, "is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failure(path, ErrnoText(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Failure(path, "read error");
    ReadSetupText(config, bytes);
    return {};
}

CFileResult SaveFileAtomically(const std::string& path, std::string_view bytes)
{
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return Failure(path, "is a directory");
    const std::string temporary = TemporaryNameBeside(target);

    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return Failure(path, ErrnoText(errno));
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
    if (!written) {
        fs::remove(temporary, ec);
        return Failure(path, ErrnoText(error != 0 ? error : EIO));
    }
    // Keep the permissions of the file being replaced.
    auto status = fs::status(target, ec);
    if (!ec && fs::exists(status)) fs::permissions(temporary, status.permissions(), ec);
    fs::rename(temporary, target, ec);
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
    if (fs::is_directory(fs::path(path), ec)) return Failure(path, "is a directory");
    const std::string temporary = TemporaryNameBeside(fs::path(path));
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
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
