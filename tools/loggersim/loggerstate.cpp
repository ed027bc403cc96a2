#include "loggerstate.h"

#include <filesystem>

#include "config/configwriter.h"
#include "config/setupfile.h"
#include "replyblocks.h"

namespace fennmere {

namespace {

void FillDemoSystem(CConfiguration& c)
{
    CSystemSettings& s = c.m_system;
    s.m_strName = L"Station 1";
    s.m_nMeasInterval = 60;
    s.m_nMeasDelay = 2;
    s.m_nLogInterval = 600;
    s.m_nRepInterval = 3600;
    s.m_nEws = 1;
}

void FillDemoModem(CConfiguration& c)
{
    CModemSettings& m = c.m_modem;
    m.m_fInterval = 1.0f;
    m.m_nOnTimeHour = 6;
    m.m_nOnDuration = 10;
    m.m_strPin = L"1234";
    m.m_strNumber = L"+4915112345678";
    m.m_strApn = L"internet.example";
    m.m_strEmailFrom = L"station1@example.org";
    m.m_strEmailTo = L"data@example.org";
    m.m_strTimeServer = L"pool.ntp.org";
    m.m_nTimeZone = 1;
    m.m_strSmsCenter = L"+491720000000";
}

// Battery voltage with its extremes, and the two readings of the level sensor.
void FillDemoChannels(CConfiguration& c)
{
    c.m_analog[0].m_nMeasure = 1;
    c.m_analog[8].m_nMeasure = 1;
    c.m_analog[8].m_strRange = L"625";
    c.m_analog[8].m_strPolarity = L"UNIP";
    c.m_serial[0].m_nMeasure = 1;
    c.m_internal[2].m_strOutput = L"O1";

    c.m_output[0].m_strInput = L"I3_VPOWER";
    c.m_output[0].m_nMin = 1;
    c.m_output[0].m_nMax = 1;
    c.m_output[0].m_strAlias = L"Battery";
    c.m_output[1].m_strInput = L"S1_LEVEL";
    c.m_output[1].m_strPoly = L"P2";
    c.m_output[1].m_strAlias = L"Level";
    c.m_output[2].m_strInput = L"S1_TEMP";
    c.m_output[2].m_strAlias = L"WaterTemp";
    c.m_poly[1].m_fA = {-0.5f, 0.01f, 0.0f, 0.0f};
}

void FillDemoWarnings(CConfiguration& c)
{
    CEarlyWarning& level = c.m_ews[0];
    level.m_strInput = L"O2";
    level.m_strType = L"MORE";
    level.m_strLogInterval = L"60";
    level.m_strModemInterval = L"600";
    level.m_strAlarm = L"2.5";
    level.m_strUnits = L"m";
    level.m_nRecipient[0] = 1;
    c.m_strSms[0] = L"+4917000000001";
}

}  // namespace

CConfiguration MakeFactoryConfiguration()
{
    CConfiguration c = MakeNewConfiguration();
    c.m_system.m_nEws = 0;
    return c;
}

CConfiguration MakeDemoConfiguration()
{
    CConfiguration c = MakeFactoryConfiguration();
    FillDemoSystem(c);
    FillDemoModem(c);
    FillDemoChannels(c);
    FillDemoWarnings(c);
    return c;
}

std::string StateFileText(const CConfiguration& config)
{
    std::string text = WriteSetupFile(config);
    CReplyContext context{config, {}, 0};
    text += BlockLines(EQuery::EarlyWarning, context);
    text += KeywordLine("ModemNumber", config.m_modem.m_strNumber, ELineEnd::CrLf);
    text += DisplaySizeLine(config.m_system.m_strDisplaySize);
    return text;
}

CStateLoad LoadStateFile(CConfiguration& config, const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    CFileResult result = LoadSetupFile(config, path);
    return {true, result.m_bOk ? std::string() : result.m_strError};
}

std::string SaveStateFile(const CConfiguration& config, const std::string& path)
{
    CFileResult result = SaveFileAtomically(path, StateFileText(config));
    return result.m_bOk ? std::string() : result.m_strError;
}

}  // namespace fennmere
