#include "text.h"

namespace fennmere {

std::string NarrowLatin1(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        auto code = static_cast<unsigned long>(ch);
        out.push_back(code <= 0xFF ? static_cast<char>(static_cast<unsigned char>(code)) : '?');
    }
    return out;
}

CText WidenLatin1(std::string_view bytes)
{
    CText out;
    out.reserve(bytes.size());
    for (char ch : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(ch)));
    return out;
}

}  // namespace fennmere
