// Conversion between the configuration's wide text and the 8-bit text of the
// serial line and the setup file. The 8-bit side is Latin-1: a byte carries the
// character code. A character above 0xFF has no byte; it becomes '?' so that the
// rest of the line survives (an all-or-nothing conversion would silently send
// or save an empty value).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "configuration.h"

namespace fennmere {

std::string NarrowLatin1(std::wstring_view text);
CText WidenLatin1(std::string_view bytes);

// The baud rate a panel text stands for: leading blanks, then decimal digits,
// anything after the digits ignored. 0 when the text has no digits or the
// value is out of range.
uint32_t BaudFromText(const CText& text);

}  // namespace fennmere
