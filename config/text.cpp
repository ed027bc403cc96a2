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

uint32_t BaudFromText(const CText& text)
{
    constexpr uint64_t kHighest = 100'000'000;  // far above any serial rate
    std::size_t i = text.find_first_not_of(L" \t");
    if (i == CText::npos) return 0;
    uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
        if (value > kHighest) return 0;
    }
    return digits == 0 ? 0 : static_cast<uint32_t>(value);
}

}  // namespace fennmere
