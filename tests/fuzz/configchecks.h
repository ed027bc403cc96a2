// Invariants the fuzz targets check after reading configuration text. A
// violation aborts, which the fuzzer reports with the input that caused it.
#pragma once

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "config/configuration.h"

namespace fennmere::fuzz {

inline void Require(bool condition)
{
    if (!condition) std::abort();
}

inline bool IsFlag(int32_t value) { return value == 0 || value == 1; }

inline bool IsOneOf(const CText& text, std::initializer_list<std::wstring_view> allowed)
{
    for (auto candidate : allowed)
        if (text == candidate) return true;
    return false;
}

// Only characters 31..127 survive the parser's filter.
inline bool IsLineText(const CText& text)
{
    for (wchar_t ch : text)
        if (ch < 31 || ch > 127) return false;
    return true;
}

// A new configuration, built once: the targets start every run from a copy.
inline const CConfiguration& NewConfiguration()
{
    static const CConfiguration prototype = MakeNewConfiguration();
    return prototype;
}

// NaN never equals itself; give every NaN one value so that == compares what
// was parsed rather than how NaN compares.
inline void ReplaceNan(CConfiguration& c)
{
    auto fix = [](float& f) {
        if (std::isnan(f)) f = -12345.0f;
    };
    for (auto& p : c.m_poly)
        for (auto& a : p.m_fA) fix(a);
    for (auto& d : c.m_sensorDef)
        for (auto& a : d.m_fA) fix(a);
    fix(c.m_system.m_fVref);
    fix(c.m_modem.m_fInterval);
}

// Compares two results of a run; both are the run's own scratch copies.
inline bool Same(CConfiguration& a, CConfiguration& b)
{
    ReplaceNan(a);
    ReplaceNan(b);
    return a == b;
}

// What holds for a new configuration after any configuration text was
// applied to it: flags are 0 or 1, coded fields hold one of their codes and
// every text holds only filtered characters.
inline void CheckParsedConfiguration(const CConfiguration& c)
{
    for (const auto& a : c.m_analog) {
        Require(IsFlag(a.m_nMeasure) && IsFlag(a.m_nRatio) && IsFlag(a.m_nVector));
        Require(IsOneOf(a.m_strRange, {L"2500", L"1250", L"625", L"312", L"156", L"78", L"39", L"19"}));
        Require(IsOneOf(a.m_strPolarity, {L"BIP", L"UNIP"}));
        Require(a.m_strPoly.starts_with(L'P') && a.m_strOutput.starts_with(L'O'));
        Require(IsLineText(a.m_strSensor) && IsLineText(a.m_strPoly) && IsLineText(a.m_strOutput));
    }
    for (const auto& d : c.m_digital) {
        Require(IsFlag(d.m_nMeasure) && IsOneOf(d.m_strType, {L"FREQ", L"COUNT", L"TIME"}));
        Require(IsLineText(d.m_strSensor) && IsLineText(d.m_strPoly) && IsLineText(d.m_strOutput));
    }
    for (const auto& i : c.m_internal)
        Require(IsLineText(i.m_strName) && IsLineText(i.m_strInput1) && IsLineText(i.m_strInput2));
    for (const auto& s : c.m_serial) {
        Require(IsFlag(s.m_nMeasure) && s.m_strPort.starts_with(L"COM"));
        Require(IsLineText(s.m_strPort) && IsLineText(s.m_strBaud) && IsLineText(s.m_strDriver) &&
                IsLineText(s.m_strAddress));
    }
    for (const auto& o : c.m_output) {
        Require(IsFlag(o.m_nMin) && IsFlag(o.m_nMax) && IsFlag(o.m_nStdev) && IsFlag(o.m_nVector));
        Require(IsLineText(o.m_strInput) && IsLineText(o.m_strAlias));
    }
    for (const auto& e : c.m_ews) {
        for (int32_t flag : e.m_nRecipient) Require(IsFlag(flag));
        Require(IsLineText(e.m_strInput) && IsLineText(e.m_strType) && IsLineText(e.m_strUnits));
    }
    for (const auto& sms : c.m_strSms) Require(IsLineText(sms));
    Require(IsFlag(c.m_system.m_nEws) && IsFlag(c.m_system.m_nRs485));
    Require(IsLineText(c.m_system.m_strSerialNumber) && IsLineText(c.m_system.m_strFirmware) &&
            IsLineText(c.m_system.m_strName) && IsLineText(c.m_system.m_strHour));
    Require(IsOneOf(c.m_panel.m_strDevice, {L"", L"Nimbrel", L"Arvelin", L"Bostrak", L"Cindral", L"Dovemark",
                                            L"Elstrin", L"Galdrin", L"Hestor", L"Ilvane"}));
    Require(IsOneOf(c.m_modem.m_strMode, {L"EMAIL", L"FTP"}));
    Require(IsLineText(c.m_modem.m_strSmsCenter) && IsLineText(c.m_modem.m_strPasswordApn));
}

}  // namespace fennmere::fuzz
