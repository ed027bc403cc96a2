#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "console.h"

namespace fennmere::cli {

namespace {

void EnableEscapes(DWORD handle)
{
    HANDLE console = ::GetStdHandle(handle);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode))
        ::SetConsoleMode(console, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace

void PrepareConsole()
{
    // Without this the C library turns LF into CR LF on the way out, CR LF
    // into LF and Ctrl+Z into the end on the way in: a setup file through
    // "-" would not be the file any more.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // The progress lines move the cursor with escape sequences.
    EnableEscapes(STD_OUTPUT_HANDLE);
    EnableEscapes(STD_ERROR_HANDLE);
}

bool IsTerminal(std::FILE* stream)
{
    // _isatty is true for the NUL device too; a console has a console mode.
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

std::tm LocalTime(std::time_t seconds)
{
    std::tm local{};
    ::localtime_s(&local, &seconds);
    return local;
}

}  // namespace fennmere::cli
