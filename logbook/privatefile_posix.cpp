#include "privatefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace fennmere {

namespace {

constexpr const char* kLock = ".lock";
constexpr std::string_view kTemporary = ".tmp-";

// Closes the descriptor on every way out; a lock held on it goes with it.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void Reset(int fd)
    {
        Close();
        m_fd = fd;
    }
    bool Close()
    {
        const bool closed = m_fd < 0 || ::close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }

private:
    int m_fd;
};

bool Failed(const std::string& path, std::string& error, int code = errno)
{
    error = path + ": " + std::strerror(code);
    return false;
}

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
    if (made && ::chmod(path.c_str(), 0700) != 0) return Failed(path, error);
    return true;
}

// Ours, or one an earlier version left beside the name it was to take.
bool IsTemporary(const std::string& name)
{
    return name.starts_with(kTemporary) || name.find(".json.tmp-") != std::string::npos;
}

bool ListNames(int folder, std::vector<std::string>& names)
{
    names.clear();
    const int fd = ::dup(folder);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        const int code = errno;
        if (fd >= 0) ::close(fd);
        errno = code;
        return false;
    }
    // The duplicate shares the position an earlier listing left at the end.
    ::rewinddir(dir);
    int code = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            code = errno;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    errno = code;
    return code == 0;
}

// The group counts: a shared place is what this warns of.
bool OthersCanWrite(const struct stat& status) { return (status.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

bool WriteAll(int fd, std::string_view bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool IsRealFolder(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool WriteInPrivateFolder(const std::string& parent, const std::string& name, std::string_view bytes,
                          const CNewFileName& newName, std::string& path, std::string& error, std::string& warning)
{
    warning.clear();
    if (!MakePrivateFolder(parent, error)) return false;
    const std::filesystem::path folder = std::filesystem::path(parent) / name;
    const CDescriptor top(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top) return Failed(parent, error);
    const bool made = ::mkdirat(top.Get(), name.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) return Failed(folder.string(), error);
    // Everything below goes through this descriptor, so the folder cannot
    // be swapped for a link to elsewhere halfway.
    const CDescriptor dir(::openat(top.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!dir) {
        const int code = errno;
        if (::fstatat(top.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)) {
            error = folder.string() + ": is a symbolic link; the logbook writes only into a folder of its own";
            return false;
        }
        return Failed(folder.string(), error, code);
    }
    if (made && ::fchmod(dir.Get(), 0700) != 0) return Failed(folder.string(), error);

    // The folder is its own lock: each writer has a descriptor of its own,
    // so threads of one program exclude each other as programs do, and no
    // file is left beside the entries. Where a folder cannot be locked (NFS
    // locks only what is open for writing), a lock file in it is.
    CDescriptor lockFile(-1);
    int locked;
    while ((locked = ::flock(dir.Get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 && (errno == EBADF || errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP)) {
        lockFile.Reset(::openat(dir.Get(), kLock, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!lockFile) return Failed((folder / kLock).string(), error);
        while ((locked = ::flock(lockFile.Get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
    }
    if (locked != 0) return Failed(folder.string(), error);

    // Temporaries exist only while their writer holds the lock: any seen now
    // is a killed writer's.
    std::vector<std::string> names;
    if (!ListNames(dir.Get(), names)) return Failed(folder.string(), error);
    for (const std::string& file : names)
        if (IsTemporary(file)) ::unlinkat(dir.Get(), file.c_str(), 0);

    std::random_device random;
    std::string temporary;
    CDescriptor file(-1);
    for (int attempt = 0; !file && attempt < 10; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%08x%08x", static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()));
        temporary = std::string(kTemporary) + suffix;
        file.Reset(
            ::openat(dir.Get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file && errno != EEXIST) break;
    }
    if (!file) return Failed((folder / temporary).string(), error);
    bool written = ::fchmod(file.Get(), 0600) == 0 && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
    int code = written ? 0 : errno;
    if (!file.Close() && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlinkat(dir.Get(), temporary.c_str(), 0);
        return Failed((folder / temporary).string(), error, code);
    }

    // Under the lock the name is free; a link still never replaces, in case
    // a writer that does not lock took it.
    std::string target;
    bool linked = false;
    code = EEXIST;
    for (int attempt = 0; !linked && code == EEXIST && attempt < 100; ++attempt) {
        if (!ListNames(dir.Get(), names)) {
            code = errno;
            target = folder.string();
            break;
        }
        const std::string chosen = newName(names);
        target = (folder / chosen).string();
        linked = ::linkat(dir.Get(), temporary.c_str(), dir.Get(), chosen.c_str(), 0) == 0;
        code = linked ? 0 : errno;
    }
    ::unlinkat(dir.Get(), temporary.c_str(), 0);
    if (!linked) return Failed(target, error, code);

    path = target;
    for (const auto& [fd, where] : {std::pair{top.Get(), parent}, std::pair{dir.Get(), folder.string()}}) {
        if (::fstat(fd, &status) != 0 || !OthersCanWrite(status)) continue;
        warning += (warning.empty() ? "" : "; ") + where + ": other users can write to this folder";
    }
    return true;
}

}  // namespace fennmere
