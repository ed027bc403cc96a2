#include "privatefile.h"

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace fennmere {

namespace {

constexpr const char* kLock = ".lock";
constexpr std::string_view kTemporary = ".tmp-";

// Closes the handle on every way out.
class CHandle {
public:
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = handle;
    }
    bool Close()
    {
        const bool closed = m_handle == INVALID_HANDLE_VALUE || ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// Windows frees a lock some time after its handle is closed; the next
// writer should not wait for that.
class CFolderLock {
public:
    explicit CFolderLock(HANDLE file) : m_file(file) {}
    ~CFolderLock()
    {
        OVERLAPPED whole{};
        if (m_bLocked) ::UnlockFileEx(m_file, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    bool Lock()
    {
        OVERLAPPED whole{};
        m_bLocked = ::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
        return m_bLocked;
    }

private:
    HANDLE m_file;
    bool m_bLocked = false;
};

bool Failed(const std::string& path, std::string& error, DWORD code = ::GetLastError())
{
    error = path + ": " + std::system_category().message(static_cast<int>(code));
    return false;
}

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

// Ours, or one an earlier version left beside the name it was to take.
bool IsTemporary(const std::string& name)
{
    return name.starts_with(kTemporary) || name.find(".json.tmp-") != std::string::npos;
}

bool ListNames(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    const DWORD code = ::GetLastError();
    ::FindClose(search);
    ::SetLastError(code);
    return code == ERROR_NO_MORE_FILES;
}

// Whether anyone but its owner may add or remove files: no list of rights
// at all, or one that lets Everyone, Authenticated Users or Users do it.
bool OthersCanWrite(HANDLE folder)
{
    PACL rights = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &rights, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    bool others = rights == nullptr;
    constexpr DWORD kWrite = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | GENERIC_WRITE | GENERIC_ALL |
                             WRITE_DAC | WRITE_OWNER;
    for (DWORD i = 0; !others && i < rights->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(rights, i, &ace)) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (allowed->Header.AceFlags & INHERIT_ONLY_ACE) != 0 ||
            (allowed->Mask & kWrite) == 0)
            continue;
        const PSID who = const_cast<DWORD*>(&allowed->SidStart);
        others = ::IsWellKnownSid(who, WinWorldSid) || ::IsWellKnownSid(who, WinAuthenticatedUserSid) ||
                 ::IsWellKnownSid(who, WinBuiltinUsersSid);
    }
    ::LocalFree(descriptor);
    return others;
}

HANDLE OpenFolder(const std::string& path, DWORD flags)
{
    return ::CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

bool WriteAll(HANDLE file, std::string_view bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return true;
}

}  // namespace

bool IsRealFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool WriteInPrivateFolder(const std::string& parent, const std::string& name, std::string_view bytes,
                          const CNewFileName& newName, std::string& path, std::string& error, std::string& warning)
{
    warning.clear();
    if (!MakePrivateFolder(parent, error)) return false;
    const std::string folder = (std::filesystem::path(parent) / name).string();
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return Failed(folder, error);
    // The handle, not shared for deleting, keeps the folder from being
    // renamed or swapped for a link to elsewhere while the write goes on.
    // Its attributes tell a link that was there before it was opened, but
    // Wine reports a Unix link only by name: both are asked.
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    const CHandle dir(OpenFolder(folder, FILE_FLAG_OPEN_REPARSE_POINT));
    if (!dir) return Failed(folder, error);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(dir.Get(), &information)) return Failed(folder, error);
    if (((attributes | information.dwFileAttributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = folder + ": is a symbolic link; the logbook writes only into a folder of its own";
        return false;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Failed(folder, error, ERROR_DIRECTORY);

    // A folder cannot be locked here, a file in it can. A handle of its own
    // per writer: threads of one program exclude each other as programs do.
    const std::string lockPath = folder + "\\" + kLock;
    const CHandle lockFile(::CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!lockFile) return Failed(lockPath, error);
    CFolderLock lock(lockFile.Get());
    if (!lock.Lock()) return Failed(lockPath, error);

    // Temporaries exist only while their writer holds the lock: any seen now
    // is a killed writer's.
    std::vector<std::string> names;
    if (!ListNames(folder, names)) return Failed(folder, error);
    for (const std::string& file : names)
        if (IsTemporary(file)) ::DeleteFileA((folder + "\\" + file).c_str());

    std::random_device random;
    std::string temporary;
    CHandle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; !file && attempt < 10; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%08x%08x", static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()));
        temporary = folder + "\\" + std::string(kTemporary) + suffix;
        // CREATE_NEW takes no name that is there, a link included.
        file.Reset(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file) return Failed(temporary, error);
    bool written = WriteAll(file.Get(), bytes) && ::FlushFileBuffers(file.Get());
    DWORD code = written ? ERROR_SUCCESS : ::GetLastError();
    if (!file.Close() && written) {
        written = false;
        code = ::GetLastError();
    }
    if (!written) {
        ::DeleteFileA(temporary.c_str());
        return Failed(temporary, error, code);
    }

    // Under the lock the name is free; without MOVEFILE_REPLACE_EXISTING the
    // move still never replaces, in case a writer that does not lock took it.
    std::string target;
    bool moved = false;
    code = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; !moved && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) && attempt < 100;
         ++attempt) {
        if (!ListNames(folder, names)) {
            code = ::GetLastError();
            target = folder;
            break;
        }
        target = (std::filesystem::path(folder) / newName(names)).string();
        moved = ::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        code = moved ? ERROR_SUCCESS : ::GetLastError();
    }
    if (!moved) {
        ::DeleteFileA(temporary.c_str());
        return Failed(target, error, code);
    }

    path = target;
    const CHandle top(OpenFolder(parent, 0));
    for (const auto& [handle, where] : {std::pair{top.Get(), parent}, std::pair{dir.Get(), folder}}) {
        if (handle == INVALID_HANDLE_VALUE || !OthersCanWrite(handle)) continue;
        warning += (warning.empty() ? "" : "; ") + where + ": other users can write to this folder";
    }
    return true;
}

}  // namespace fennmere
