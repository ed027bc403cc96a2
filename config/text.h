// Conversion between the configuration's wide text and the 8-bit text of the
// serial line and the setup file. The 8-bit side is Latin-1: a byte carries the
// character code. A character above 0xFF has no byte; it becomes '?' so that the
// rest of the line survives (an all-or-nothing conversion would silently send
// or save an empty value).
#pragma once

#include <string>
#include <string_view>

#include "configuration.h"

namespace fennmere {

std::string NarrowLatin1(std::wstring_view text);
CText WidenLatin1(std::string_view bytes);

}  // namespace fennmere
