// The configuration line grammar, read: setup files and logger replies.
// Applies what it recognises to a configuration and never clears anything
// first. It has no error path: text it does not understand is ignored, values
// that do not convert give 0 / 0.0, and records or numbers outside their
// tables are ignored rather than written anywhere. Callable from any thread on
// a configuration that thread owns.
#pragma once

#include <string_view>

#include "configuration.h"

namespace fennmere {

// Which characters of a line reach the configuration.
enum class ELineCharacters {
    // Codes 31 to 127, as the logger's lines carry them; everything else is
    // dropped, not replaced. This is how text is read.
    Carried,
    // Every character but the line ends, a valid UTF-8 sequence as the
    // character it encodes, any other byte as its Latin-1 character: only
    // to show the operator what a file meant where it holds characters that
    // reading drops.
    All,
};

// Applies every CR-terminated segment of text in order. The text ends at its
// first zero byte, like the logger reply buffer it is usually given; whatever
// follows the last CR (a reply's closing "OK") is ignored. Returns how many
// segments were configuration lines (a keyword line, or a record line that
// set a field of a record).
int ParseConfigurationText(CConfiguration& config, std::string_view text,
                           ELineCharacters characters = ELineCharacters::Carried);

// Applies the bytes of a setup file line by line. Lines may end in CR LF or LF
// alone, may be of any length, and a last line without a line end is applied.
// Returns how many lines were configuration lines.
int ReadSetupText(CConfiguration& config, std::string_view fileBytes,
                  ELineCharacters characters = ELineCharacters::Carried);

// Decimal as the logger and the setup file write it: leading white space,
// optional sign, digits up to the first non-digit, 0 without digits, clamped
// to the 32-bit range.
int32_t ParseDecimal(std::wstring_view text);
// Real as the standard string-to-double conversion reads it (C locale), stored
// as float; 0.0 without digits.
float ParseReal(std::string_view text);

// Model name for the serial number's model code, or empty when the code is not
// one of "01".."09".
CText ModelNameForSerial(const CText& serialNumber);

}  // namespace fennmere
