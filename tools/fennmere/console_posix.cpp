#include <unistd.h>

#include "console.h"

namespace fennmere::cli {

// A terminal passes bytes as they are already.
void PrepareConsole() {}

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

std::tm LocalTime(std::time_t seconds)
{
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

}  // namespace fennmere::cli
