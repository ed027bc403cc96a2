// The configuration line grammar, written. Two variants share the templates:
// the setup file (every line ends in CR LF) and the lines a Send puts on the
// wire (CR alone, with a few CR LF exceptions that the Send chooses itself).
//
// Every builder returns the finished 8-bit line, line end included. Values are
// written whole: a long text or a large number gives a long line rather than a
// cut one (the logger's own line limit is the sender's concern). Pure functions
// of their arguments; callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include "configuration.h"

namespace fennmere {

enum class ELineEnd { CrLf, Cr };

std::string_view LineEndText(ELineEnd end);

// The whole setup file, in file order: "EWS 0", "SaveConfig", the keyword
// lines, the record lines and the closing "SaveConfig".
std::string WriteSetupFile(const CConfiguration& config);

// keyword, one space, the text unchanged, the line end: "Name North\r\n".
std::string KeywordLine(std::string_view keyword, const CText& value, ELineEnd end);
// keyword, one space, "%d".
std::string IntegerLine(std::string_view keyword, long long value, ELineEnd end);
std::string VrefLine(float vref, ELineEnd end);                 // "Vref %4.3f"
std::string ModemIntervalLine(float hours, ELineEnd end);       // "ModemInterval %1.3f"
std::string ModemOnTimeLine(uint32_t hour, uint32_t minute, ELineEnd end);  // "ModemOnTime %d:%d:00"
std::string DataFormatLine(const CText& format, ELineEnd end);  // "Default" -> 0, "CSV" -> 1
std::string Rs485Line(int32_t flag, ELineEnd end);              // "RS485 1" only for flag 1
std::string FtpLine(const CText& mode, ELineEnd end);           // "Ftp 0" only for "EMAIL"
std::string EwsLine(int32_t flag, ELineEnd end);                // "EWS 1" only for flag 1

// Record lines; index is 0-based into the table, the line carries index + 1.
// Analog records 0..7 use the vector form, 8..19 the ratio/gain form.
std::string AnalogLine(const CConfiguration& config, int index, ELineEnd end);
std::string DigitalLine(const CConfiguration& config, int index, ELineEnd end);
std::string InternalLine(const CConfiguration& config, int index, ELineEnd end);
std::string SerialLine(const CConfiguration& config, int index, ELineEnd end);
std::string OutputLine(const CConfiguration& config, int index, ELineEnd end);
std::string EarlyWarningLine(const CConfiguration& config, int index, ELineEnd end);
std::string PolyLine(const CConfiguration& config, int index, ELineEnd end);

// Lines only a Send produces.
std::string SmsNumberLine(int number, const CText& text);  // "SmsNumber %d <text>\r"
// "Date d.m.y\r\n" / "Time h:m:s\r\n" from the typed texts.
std::string DateLine(const CText& day, const CText& month, const CText& year);
std::string TimeLine(const CText& hour, const CText& minute, const CText& second);
// "Date %d.%d.%d\r" / "Time %d:%d:%d\r" from the PC clock.
std::string ClockDateLine(int day, int month, int year);
std::string ClockTimeLine(int hour, int minute, int second);

// Value encodings shared with the pages and tests.
int GainCode(const CText& range);          // "2500" -> 1 ... "19" -> 8, else 1
CText OutputInputCode(const CText& input); // "I3_VPOWER" -> "I3"; "S..." whole
std::string FormatG7(float value);         // "%1.7g"
std::string FormatFixed3(float value);     // "%1.3f" (also "%4.3f": never narrower)

}  // namespace fennmere
