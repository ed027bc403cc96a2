// What the command line needs of the console it runs in, one file for each
// system (console_posix.cpp, console_win32.cpp).
#pragma once

#include <cstdio>
#include <ctime>

namespace fennmere::cli {

// Puts the standard streams the way every command expects them: bytes in
// and out as they are (setup files go through "-" unchanged), escape
// sequences understood by the console.
void PrepareConsole();

// Whether stream is a terminal or console window, not a file or a pipe.
bool IsTerminal(std::FILE* stream);

// The local time of seconds.
std::tm LocalTime(std::time_t seconds);

}  // namespace fennmere::cli
