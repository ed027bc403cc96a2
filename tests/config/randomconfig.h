// Random configurations for the tests: every field, including those no setup
// file carries and the records beyond the written ones, now and then with
// values no page would store. References, inputs and intervals hold only
// what a complete file may (any record, any channel, any name after "_").
#pragma once

#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

#include "config/configuration.h"

namespace fennmere::test {

inline const std::vector<CText> kRanges = {L"2500", L"1250", L"625", L"312",
                                    L"156",  L"78",   L"39",  L"19"};

class CRandom {
public:
    explicit CRandom(uint32_t seed) : m_engine(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_engine); }
    int32_t Int32() { return static_cast<int32_t>(m_engine()); }
    uint32_t UInt32() { return static_cast<uint32_t>(m_engine()); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }

    // Mostly 0 and 1, now and then something a page never stores.
    int32_t Flag() { return Chance(85) ? Int(0, 1) : Pick<int32_t>({2, -1, 7, 256}); }

    template <typename T>
    T Pick(std::initializer_list<T> values)
    {
        return *(values.begin() + Int(0, static_cast<int>(values.size()) - 1));
    }
    const CText& Pick(const std::vector<CText>& values)
    {
        return values[static_cast<std::size_t>(Int(0, static_cast<int>(values.size()) - 1))];
    }

    // Printable ASCII without leading white space. A record text also holds
    // no comma and does not begin with "=" (both belong to the field syntax).
    CText Text(bool record, int maxLength = 12)
    {
        CText text;
        const int length = Int(0, maxLength);
        while (static_cast<int>(text.size()) < length) {
            auto ch = static_cast<wchar_t>(Int(32, 126));
            if (text.empty() && (ch == L' ' || (record && ch == L'='))) continue;
            if (record && ch == L',') continue;
            text.push_back(ch);
        }
        return text;
    }
    CText RecordText() { return Text(true); }
    CText KeywordText() { return Text(false, 40); }

    // One of the usual texts, or anything.
    CText OneOf(std::initializer_list<const wchar_t*> usual)
    {
        return Chance(75) ? CText(Pick(usual)) : RecordText();
    }

    CText OutputRef() { return OutputTag(Int(0, kOutputs)); }
    CText PolyRef() { return PolyTag(Int(1, kPolynomials)); }
    CText OutputOrNone() { return Chance(20) ? CText(L"0") : OutputRef(); }
    CText Input()
    {
        if (Chance(20)) return L"0";
        const int kind = Int(0, 3);
        const int counts[] = {kAnalogChannels, kDigitalChannels, kInternalChannels, kSerialSensors};
        CText input = L"ADIS"[kind] + std::to_wstring(Int(1, counts[kind]));
        return Chance(60) ? input + L"_" + RecordText() : input;
    }
    int32_t Interval() { return Chance(30) ? Int(0, 86400) : static_cast<int32_t>(UInt32() >> 1); }

    float Real()
    {
        switch (Int(0, 3)) {
        case 0:
            return 0.0f;
        case 1:
            return static_cast<float>(Int(-100000, 100000));
        case 2:
            return std::uniform_real_distribution<float>(-5000.0f, 5000.0f)(m_engine);
        default: {
            const float mantissa = std::uniform_real_distribution<float>(1.0f, 10.0f)(m_engine);
            const float value = mantissa * std::pow(10.0f, static_cast<float>(Int(-20, 20)));
            return Chance(50) ? value : -value;
        }
        }
    }

private:
    std::mt19937 m_engine;
};

// Every field, including those no setup file carries and the records beyond
// the written ones.
inline CConfiguration RandomConfiguration(CRandom& r)
{
    CConfiguration c;
    for (auto& a : c.m_analog) {
        a = {r.Flag(), r.Flag(), r.Flag(),
             r.Chance(80) ? r.Pick(kRanges) : r.RecordText(),
             r.OneOf({L"BIP", L"UNIP"}), r.RecordText(), r.PolyRef(), r.OutputRef()};
    }
    for (auto& d : c.m_digital) {
        d = {r.Flag(), r.OneOf({L"FREQ", L"COUNT", L"TIME"}), r.RecordText(), r.PolyRef(), r.OutputRef()};
    }
    for (auto& i : c.m_internal) {
        i = {r.RecordText(), r.PolyRef(), r.OutputRef(), r.OutputOrNone(), r.OutputOrNone()};
    }
    for (auto& s : c.m_serial) {
        s = {r.Flag(),
             r.OneOf({L"COM1", L"COM2"}),
             r.OneOf({L"9600", L"115200"}),
             r.OneOf({L"7", L"8"}),
             r.OneOf({L"None", L"Even", L"Odd"}),
             r.OneOf({L"1", L"2"}),
             r.OneOf({L"SOLINST", L"BDSENSORS_LMP307", L""}),
             r.RecordText()};
    }
    for (auto& o : c.m_output) {
        o = {r.Input(), r.Flag(), r.Flag(), r.Flag(), r.Flag(), r.PolyRef(), r.RecordText()};
    }
    for (auto& p : c.m_poly) p.m_fA = {r.Real(), r.Real(), r.Real(), r.Real()};
    for (auto& e : c.m_ews) {
        e = {r.OutputOrNone(), r.OneOf({L"NONE", L"MORE", L"LESS"}), r.RecordText(),
             r.RecordText(), r.RecordText(), r.RecordText(), {}};
        for (auto& flag : e.m_nRecipient) flag = r.Int(0, 1);
    }
    for (auto& sms : c.m_strSms) sms = r.RecordText();

    CSystemSettings& s = c.m_system;
    s.m_strSerialNumber = r.RecordText();
    s.m_strFirmware = r.KeywordText();
    s.m_strName = r.KeywordText();
    s.m_nMeasInterval = r.Interval();
    s.m_nMeasDelay = static_cast<uint8_t>(r.Int(0, 255));
    s.m_nLogInterval = r.Interval();
    s.m_nRepInterval = r.Interval();
    s.m_fVref = r.Chance(50) ? 2500.0f : r.Real();
    s.m_strSerial1 = r.OneOf({L"115200", L"9600", L"19200 bps"});
    s.m_strSerial2 = r.OneOf({L"115200", L"4800", L"38400 bps"});
    s.m_strDataFormat = r.OneOf({L"Default", L"CSV", L"2", L"3"});
    s.m_nRs485 = r.Flag();
    s.m_strRs485Address = r.KeywordText();
    s.m_nEws = r.Flag();
    s.m_strDay = r.RecordText();
    s.m_strMonth = r.RecordText();
    s.m_strYear = r.RecordText();
    s.m_strHour = r.RecordText();
    s.m_strMinute = r.RecordText();
    s.m_strSecond = r.RecordText();
    s.m_nSetTime = r.Flag();
    s.m_strDisplaySize = r.RecordText();

    CModemSettings& m = c.m_modem;
    m.m_fInterval = std::fabs(r.Real());
    m.m_nOnTimeHour = r.Chance(70) ? static_cast<uint32_t>(r.Int(0, 23)) : r.UInt32();
    m.m_nOnTimeMinute = r.Chance(70) ? static_cast<uint32_t>(r.Int(0, 59)) : r.UInt32();
    m.m_nOnDuration = r.Chance(70) ? static_cast<uint32_t>(r.Int(0, 1440)) : r.UInt32();
    for (CText* text : {&m.m_strPin, &m.m_strNumber, &m.m_strApn, &m.m_strIp, &m.m_strUserName,
                        &m.m_strPassword, &m.m_strEmailFrom, &m.m_strEmailTo, &m.m_strTimeServer,
                        &m.m_strSmsCenter, &m.m_strIpConnect, &m.m_strIpConfig,
                        &m.m_strUserNameConfig, &m.m_strPasswordConfig, &m.m_strUserNameApn,
                        &m.m_strPasswordApn})
        *text = r.KeywordText();
    m.m_nTimeZone = r.Int32();
    m.m_strMode = r.OneOf({L"EMAIL", L"FTP"});

    c.m_panel = {r.OneOf({L"COM1", L"/dev/ttyUSB0"}), r.OneOf({L"9600", L"115200"}), r.Flag(),
                 r.RecordText()};
    for (auto& d : c.m_sensorDef) {
        d.m_strName = r.RecordText();
        d.m_nRatio = r.Flag();
        d.m_fA[0] = r.Real();
        d.m_nChannel[static_cast<std::size_t>(r.Int(0, kSensorChannels - 1))] = 1;
    }
    for (auto& d : c.m_driver) d = {r.Int(0, 99), r.Int(0, 1), r.RecordText()};
    for (auto& port : c.m_nPortAvailable) port = r.Int(0, 1);
    return c;
}

}  // namespace fennmere::test
