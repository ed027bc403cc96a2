// The logger configuration: every table and setting that the pages edit, the
// setup file carries and the transfers move, plus the auxiliary tables
// (sensor definitions, serial drivers, port availability).
//
// CConfiguration is a plain value type: copy it to take a snapshot, compare
// it with == to see whether anything changed. It holds no pointers and no
// locks; whoever shares an instance between threads must hand over copies
// (the transfers take a snapshot or fill a scratch copy).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace fennmere {

// Text as the operator and the logger see it. One wchar_t per character; the
// serial line and the setup file carry the low byte (Latin-1).
using CText = std::wstring;

constexpr int kAnalogChannels = 20;
constexpr int kDigitalChannels = 8;
constexpr int kInternalChannels = 32;
constexpr int kInternalChannelsUsed = 19;
constexpr int kSerialSensors = 16;
constexpr int kSerialSensorsUsed = 8;
constexpr int kOutputs = 64;
constexpr int kOutputsUsed = 32;
constexpr int kPolynomials = 16;
constexpr int kEarlyWarnings = 16;
constexpr int kSmsNumbers = 16;
constexpr int kSensorDefinitions = 50;
constexpr int kSensorChannels = 20;
constexpr int kSerialDrivers = 256;
constexpr int kPortTableSize = 256;

struct CAnalogChannel {
    int32_t m_nMeasure = 0;
    int32_t m_nRatio = 0;   // RATIO, used by AIN9..AIN20
    int32_t m_nVector = 0;  // VECT, used by AIN1..AIN8
    CText m_strRange;       // full scale in mV: "2500", "1250", ... "19"
    CText m_strPolarity;    // "BIP" or "UNIP"
    CText m_strSensor;      // name of the chosen sensor definition
    CText m_strPoly;        // "P1".."P16"
    CText m_strOutput;      // "O0".."O32"
    bool operator==(const CAnalogChannel&) const = default;
};

struct CDigitalChannel {
    int32_t m_nMeasure = 0;
    CText m_strType;  // "FREQ", "COUNT" or "TIME"
    CText m_strSensor;
    CText m_strPoly;
    CText m_strOutput;
    bool operator==(const CDigitalChannel&) const = default;
};

struct CInternalChannel {
    CText m_strName;
    CText m_strPoly;
    CText m_strOutput;
    CText m_strInput1;  // "0" or "O1".."O32" (IIN12..IIN19)
    CText m_strInput2;  // "0" or an output tag (IIN12, IIN15..IIN19)
    bool operator==(const CInternalChannel&) const = default;
};

struct CSerialSensor {
    int32_t m_nMeasure = 0;
    CText m_strPort;  // logger port, "COM1" or "COM2"
    CText m_strBaud;
    CText m_strDataBits;
    CText m_strParity;  // "None", "Even", "Odd"
    CText m_strStopBits;
    CText m_strDriver;
    CText m_strAddress;
    bool operator==(const CSerialSensor&) const = default;
};

struct COutput {
    CText m_strInput;  // "0" = none; e.g. "I3_VPOWER", "S2_Level"
    int32_t m_nMin = 0;
    int32_t m_nMax = 0;
    int32_t m_nStdev = 0;
    int32_t m_nVector = 0;
    CText m_strPoly;
    CText m_strAlias;
    bool operator==(const COutput&) const = default;
};

// A0 + A1 x + A2 x^2 + A3 x^3
struct CPolynomial {
    std::array<float, 4> m_fA{};
    bool operator==(const CPolynomial&) const = default;
};

struct CEarlyWarning {
    CText m_strInput;  // "0" or an output tag
    CText m_strType;   // "NONE", "MORE", "LESS", ...
    CText m_strLogInterval;
    CText m_strModemInterval;
    CText m_strAlarm;
    CText m_strUnits;
    std::array<int32_t, kSmsNumbers> m_nRecipient{};  // [j] set: SMS number j+1 is notified
    bool operator==(const CEarlyWarning&) const = default;
};

struct CSystemSettings {
    CText m_strSerialNumber;
    CText m_strFirmware;
    CText m_strName;
    int32_t m_nMeasInterval = 0;
    uint8_t m_nMeasDelay = 0;
    int32_t m_nLogInterval = 0;
    int32_t m_nRepInterval = 0;
    float m_fVref = 0.0f;  // mV
    CText m_strSerial1;
    CText m_strSerial2;
    CText m_strDataFormat;  // "Default", "CSV", "2", "3"
    int32_t m_nRs485 = 0;
    CText m_strRs485Address;
    int32_t m_nEws = 0;
    CText m_strDay, m_strMonth, m_strYear;
    CText m_strHour, m_strMinute, m_strSecond;
    int32_t m_nSetTime = 0;
    CText m_strDisplaySize;
    bool operator==(const CSystemSettings&) const = default;
};

struct CModemSettings {
    float m_fInterval = 0.0f;  // hours
    uint32_t m_nOnTimeHour = 0;
    uint32_t m_nOnTimeMinute = 0;
    uint32_t m_nOnDuration = 0;  // minutes
    CText m_strPin;
    CText m_strNumber;  // only the parser sets it
    CText m_strApn;
    CText m_strIp;
    CText m_strUserName;
    CText m_strPassword;
    CText m_strEmailFrom;
    CText m_strEmailTo;
    CText m_strTimeServer;
    int32_t m_nTimeZone = 0;
    CText m_strMode;  // "EMAIL" or "FTP"
    CText m_strSmsCenter;
    CText m_strIpConnect;
    CText m_strIpConfig;
    CText m_strUserNameConfig;
    CText m_strPasswordConfig;
    CText m_strUserNameApn;
    CText m_strPasswordApn;
    bool operator==(const CModemSettings&) const = default;
};

// The communication panel shared by every configuration page.
struct CPanelSettings {
    CText m_strComPort;  // "COM<n>", or a device path on Linux
    CText m_strBaud;     // PC side
    int32_t m_nClock = 0;
    CText m_strDevice;   // model name derived from the serial number
    bool operator==(const CPanelSettings&) const = default;
};

struct CSensorDefinition {
    CText m_strType;  // "analog" or "digital"
    CText m_strName;
    CText m_strPolarity;
    CText m_strRange;
    CText m_strDigitalType;
    int32_t m_nRatio = 0;
    int32_t m_nVector = 0;
    std::array<float, 4> m_fA{};
    std::array<int32_t, kSensorChannels> m_nChannel{};  // [n] set: allowed on channel n+1
    bool operator==(const CSensorDefinition&) const = default;
};

struct CSerialDriver {
    int32_t m_nNumber = 0;
    int32_t m_nHeader = 0;  // 1: a driver; 0: a parameter of the driver before it
    CText m_strName;
    bool operator==(const CSerialDriver&) const = default;
};

struct CConfiguration {
    std::array<CAnalogChannel, kAnalogChannels> m_analog{};
    std::array<CDigitalChannel, kDigitalChannels> m_digital{};
    std::array<CInternalChannel, kInternalChannels> m_internal{};
    std::array<CSerialSensor, kSerialSensors> m_serial{};
    std::array<COutput, kOutputs> m_output{};
    std::array<CPolynomial, kPolynomials> m_poly{};
    std::array<CEarlyWarning, kEarlyWarnings> m_ews{};
    std::array<CText, kSmsNumbers> m_strSms{};
    CSystemSettings m_system;
    CModemSettings m_modem;
    CPanelSettings m_panel;
    std::array<CSensorDefinition, kSensorDefinitions> m_sensorDef{};
    std::array<CSerialDriver, kSerialDrivers> m_driver{};
    std::array<int32_t, kPortTableSize> m_nPortAvailable{};
    bool operator==(const CConfiguration&) const = default;
};

// Fills the new-document defaults of every table and setting (all records,
// also those no page shows), the two example serial sensors, P1 = identity and
// the pre-read values of all sensor definitions. Fields without a
// new-document default (SMS numbers, recipient flags, EWS flag, firmware,
// date, time, device text, driver table, port table) keep their values.
// The port probe and the sensor file are separate steps (link/, sensorfile.h).
void SetNewDocumentDefaults(CConfiguration& config);

// The reset a Retrieve applies before it reads a logger. Its values differ
// from the new-document defaults in places (Vref 0, all coefficients 0,
// driver "0" everywhere).
void ResetForRetrieve(CConfiguration& config);

// A configuration as a new document has it, starting from an all-empty one.
CConfiguration MakeNewConfiguration();

// "O" + n, "P" + n, for the output and polynomial references.
CText OutputTag(int n);
CText PolyTag(int n);

}  // namespace fennmere
