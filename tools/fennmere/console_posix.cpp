#include <termios.h>
#include <unistd.h>

#include "console.h"

namespace fennmere::cli {

// A terminal passes bytes as they are already.
void PrepareConsole() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::tm LocalTime(std::time_t seconds)
{
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

struct CRawKeyboard::SSaved {
    termios m_mode{};
};

CRawKeyboard::CRawKeyboard() : m_pSaved(std::make_unique<SSaved>())
{
    ::tcgetattr(STDIN_FILENO, &m_pSaved->m_mode);
    termios raw = m_pSaved->m_mode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

CRawKeyboard::~CRawKeyboard() { ::tcsetattr(STDIN_FILENO, TCSANOW, &m_pSaved->m_mode); }

bool CRawKeyboard::Read(char& ch) { return ::read(STDIN_FILENO, &ch, 1) == 1; }

}  // namespace fennmere::cli
