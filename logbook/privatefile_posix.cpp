#include "privatefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fennmere {

bool MakePrivateFolder(const std::string& path, std::string& error)
{
    std::error_code failed;
    const bool made = std::filesystem::create_directories(path, failed);
    if (failed) {
        error = path + ": " + failed.message();
        return false;
    }
    // A folder that was there already is left as its owner set it
    // (FENNMERE_LOGBOOK may name /tmp); the one made here is private.
    if (made && ::chmod(path.c_str(), 0700) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WritePrivateFileNew(const std::string& path, std::string_view bytes, bool& exists, std::string& error)
{
    exists = false;
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = ::fchmod(fd, 0600) == 0;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    written = written && ::fsync(fd) == 0;
    const int writeErrno = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        error = path + ": " + std::strerror(writeErrno != 0 ? writeErrno : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    // A hard link never replaces: the name is this file's only if it was free.
    const int linked = ::link(temporary.c_str(), path.c_str());
    const int linkErrno = errno;
    ::unlink(temporary.c_str());
    if (linked != 0) {
        exists = linkErrno == EEXIST;
        error = path + ": " + std::strerror(linkErrno);
        return false;
    }
    return true;
}

}  // namespace fennmere
