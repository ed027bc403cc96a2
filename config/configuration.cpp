#include "configuration.h"

namespace fennmere {

namespace {

const wchar_t* const kInternalNames[kInternalChannelsUsed] = {
    L"V3V",  L"VRTC", L"VPOWER", L"VOUT", L"VMAIN", L"PA",   L"GSM",
    L"RG10M", L"RG1H", L"RG6H",  L"RG24H", L"A-B",  L"IIN13", L"IIN14",
    L"TD",   L"QNH",  L"ACCU",   L"SUM1_24H", L"SUM2_24H"};

void ResetAnalog(CConfiguration& c)
{
    for (auto& a : c.m_analog) {
        a.m_nMeasure = 0;
        a.m_nRatio = 0;
        a.m_nVector = 0;
        a.m_strRange = L"2500";
        a.m_strPolarity = L"BIP";
        a.m_strSensor.clear();
        a.m_strPoly = L"P1";
        a.m_strOutput = L"O0";
    }
}

void ResetDigital(CConfiguration& c)
{
    for (auto& d : c.m_digital) {
        d.m_nMeasure = 0;
        d.m_strType = L"FREQ";
        d.m_strSensor.clear();
        d.m_strPoly = L"P1";
        d.m_strOutput = L"O0";
    }
}

// Names are not part of this reset; the new document sets them separately.
void ResetInternalLinks(CConfiguration& c)
{
    for (auto& i : c.m_internal) {
        i.m_strPoly = L"P1";
        i.m_strOutput = L"O0";
        i.m_strInput1 = L"0";
        i.m_strInput2 = L"0";
    }
}

void ResetSerial(CConfiguration& c, const wchar_t* driver)
{
    for (auto& s : c.m_serial) {
        s.m_nMeasure = 0;
        s.m_strPort = L"COM1";
        s.m_strBaud = L"115200";
        s.m_strDataBits = L"8";
        s.m_strParity = L"None";
        s.m_strStopBits = L"1";
        s.m_strDriver = driver;
        s.m_strAddress.clear();
    }
}

void ResetOutputs(CConfiguration& c)
{
    for (auto& o : c.m_output) {
        o.m_strInput = L"0";
        o.m_nMin = o.m_nMax = o.m_nStdev = o.m_nVector = 0;
        o.m_strPoly = L"P1";
        o.m_strAlias.clear();
    }
}

// Recipient flags are kept by both the new document and the Retrieve.
void ResetEarlyWarnings(CConfiguration& c)
{
    for (auto& e : c.m_ews) {
        e.m_strInput = L"0";
        e.m_strType = L"NONE";
        e.m_strLogInterval.clear();
        e.m_strModemInterval.clear();
        e.m_strAlarm.clear();
        e.m_strUnits.clear();
    }
}

void ResetModem(CModemSettings& m)
{
    m.m_fInterval = 0.0f;
    m.m_nOnTimeHour = m.m_nOnTimeMinute = m.m_nOnDuration = 0;
    m.m_strPin.clear();
    m.m_strNumber.clear();
    m.m_strApn.clear();
    m.m_strIp.clear();
    m.m_strUserName.clear();
    m.m_strPassword.clear();
    m.m_strEmailFrom.clear();
    m.m_strEmailTo.clear();
    m.m_strTimeServer.clear();
    m.m_nTimeZone = 0;
    m.m_strMode = L"EMAIL";
    m.m_strSmsCenter.clear();
    m.m_strIpConnect.clear();
    m.m_strIpConfig.clear();
    m.m_strUserNameConfig.clear();
    m.m_strPasswordConfig.clear();
    m.m_strUserNameApn.clear();
    m.m_strPasswordApn.clear();
}

// The system fields both resets share.
void ResetSystemCommon(CSystemSettings& s)
{
    s.m_strSerialNumber.clear();
    s.m_strName.clear();
    s.m_nMeasInterval = 0;
    s.m_nMeasDelay = 0;
    s.m_nLogInterval = 0;
    s.m_nRepInterval = 0;
    s.m_strSerial1 = L"115200";
    s.m_strSerial2 = L"115200";
    s.m_strDataFormat = L"Default";
    s.m_nRs485 = 0;
}

}  // namespace

CText OutputTag(int n) { return L"O" + std::to_wstring(n); }
CText PolyTag(int n) { return L"P" + std::to_wstring(n); }

void SetNewDocumentDefaults(CConfiguration& c)
{
    ResetAnalog(c);
    ResetDigital(c);
    ResetInternalLinks(c);
    for (int i = 0; i < kInternalChannelsUsed; ++i)
        c.m_internal[i].m_strName = kInternalNames[i];
    ResetSerial(c, L"");
    ResetOutputs(c);
    ResetEarlyWarnings(c);
    for (auto& p : c.m_poly) p.m_fA = {0.0f, 0.0f, 0.0f, 0.0f};

    ResetSystemCommon(c.m_system);
    c.m_system.m_fVref = 2500.0f;
    c.m_system.m_strRs485Address.clear();
    c.m_system.m_nSetTime = 0;
    c.m_system.m_strDisplaySize = L"Small (6 lines)";

    ResetModem(c.m_modem);

    c.m_panel.m_strComPort.clear();
    c.m_panel.m_strBaud = L"115200";
    c.m_panel.m_nClock = 0;

    // The two example sensors.
    c.m_serial[0].m_strBaud = L"9600";
    c.m_serial[0].m_strDriver = L"SOLINST";
    c.m_serial[1].m_strPort = L"COM2";
    c.m_serial[1].m_strBaud = L"9600";
    c.m_serial[1].m_strParity = L"Even";
    c.m_serial[1].m_strDriver = L"BDSENSORS_LMP307";
    c.m_serial[1].m_strAddress = L"01";

    c.m_poly[0].m_fA[1] = 1.0f;

    // Values that precede reading the sensor file; digital type and vector
    // flag keep theirs.
    for (auto& d : c.m_sensorDef) {
        d.m_strType.clear();
        d.m_strName.clear();
        d.m_strPolarity = L"BIP";
        d.m_strRange = L"2500";
        d.m_nRatio = 0;
        d.m_fA = {0.0f, 0.0f, 0.0f, 0.0f};
        d.m_nChannel.fill(0);
    }
}

void ResetForRetrieve(CConfiguration& c)
{
    ResetAnalog(c);
    ResetDigital(c);
    ResetInternalLinks(c);
    ResetSerial(c, L"0");
    ResetOutputs(c);
    ResetEarlyWarnings(c);
    for (auto& p : c.m_poly) p.m_fA = {0.0f, 0.0f, 0.0f, 0.0f};
    for (auto& t : c.m_strSms) t.clear();
    ResetSystemCommon(c.m_system);
    c.m_system.m_fVref = 0.0f;
    ResetModem(c.m_modem);
}

CConfiguration MakeNewConfiguration()
{
    CConfiguration c;
    SetNewDocumentDefaults(c);
    return c;
}

}  // namespace fennmere
