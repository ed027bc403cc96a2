// CModemView: the Modem page, the settings of the logger's GSM modem: when
// and for how long it is switched on, SIM PIN and access point, where reports
// go (e-mail or FTP) and with which accounts, time server and time zone, the
// SMS service centre and the addresses and accounts for remote configuration.
// A plain form: every field is exchanged as typed, numbers are checked.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CModemView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CModemView(QWidget* parent);

    // The page's own control numbers.
    static constexpr int kIdInterval = 1058;
    static constexpr int kIdOnTimeHour = 1060;
    static constexpr int kIdOnTimeMinute = 1069;
    static constexpr int kIdOnDuration = 1061;
    static constexpr int kIdPin = 1062;
    static constexpr int kIdApn = 1063;
    static constexpr int kIdIp = 1064;
    static constexpr int kIdEmailFrom = 1065;
    static constexpr int kIdSmsCenter = 1067;
    static constexpr int kIdUserNameConfig = 1068;
    static constexpr int kIdEmailTo = 1070;
    static constexpr int kIdPasswordConfig = 1071;
    static constexpr int kIdUserName = 1072;
    static constexpr int kIdPassword = 1073;
    static constexpr int kIdTimeServer = 1074;
    static constexpr int kIdTimeZone = 1075;
    static constexpr int kIdIpConnect = 1076;
    static constexpr int kIdIpConfig = 1077;
    static constexpr int kIdUserNameApn = 1078;
    static constexpr int kIdPasswordApn = 1079;
    static constexpr int kIdMode = 1109;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
