#include "modemview.h"

#include "dataexchange.h"
#include "resourceids.h"

namespace fennmere {

CModemView::CModemView(QWidget* parent) : CConfigPageView(kPageModem, kPageTemplate[kPageModem], parent) {}

void CModemView::DoDataExchange(CDataExchange& dx)
{
    CModemSettings& modem = Config().m_modem;
    // Numbers first: a refused one leaves the texts after it as they were.
    dx.Real(kIdInterval, modem.m_fInterval);
    dx.Unsigned(kIdOnTimeHour, modem.m_nOnTimeHour);
    dx.Unsigned(kIdOnTimeMinute, modem.m_nOnTimeMinute);
    dx.Unsigned(kIdOnDuration, modem.m_nOnDuration);
    dx.Integer(kIdTimeZone, modem.m_nTimeZone);
    dx.Text(kIdPin, modem.m_strPin);
    dx.Text(kIdApn, modem.m_strApn);
    dx.Text(kIdIp, modem.m_strIp);
    dx.Text(kIdUserName, modem.m_strUserName);
    dx.Text(kIdPassword, modem.m_strPassword);
    dx.Text(kIdEmailFrom, modem.m_strEmailFrom);
    dx.Text(kIdEmailTo, modem.m_strEmailTo);
    dx.Text(kIdTimeServer, modem.m_strTimeServer);
    dx.Text(kIdMode, modem.m_strMode);
    dx.Text(kIdSmsCenter, modem.m_strSmsCenter);
    dx.Text(kIdIpConnect, modem.m_strIpConnect);
    dx.Text(kIdIpConfig, modem.m_strIpConfig);
    dx.Text(kIdUserNameConfig, modem.m_strUserNameConfig);
    dx.Text(kIdPasswordConfig, modem.m_strPasswordConfig);
    dx.Text(kIdUserNameApn, modem.m_strUserNameApn);
    dx.Text(kIdPasswordApn, modem.m_strPasswordApn);
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
