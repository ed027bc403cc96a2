// CSystemView: the System page, the logger's general settings: its name, its
// measuring, logging and reporting intervals, the baud rates of its two
// serial ports, the format of its data lines and a date and time to set its
// clock to. Serial number, firmware and reference voltage are read from the
// logger and only shown. "Set Default Config" stores the page and starts the
// default-configuration transfer.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CSystemView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CSystemView(QWidget* parent);

    // The page's own control numbers.
    static constexpr int kIdSerialNumber = 1525;
    static constexpr int kIdName = 1526;
    static constexpr int kIdMeasInterval = 1527;
    static constexpr int kIdMeasDelay = 1528;
    static constexpr int kIdLogInterval = 1529;
    static constexpr int kIdRepInterval = 1530;
    static constexpr int kIdVref = 1531;
    static constexpr int kIdSerial1 = 1532;
    static constexpr int kIdSerial2 = 1533;
    static constexpr int kIdDataFormat = 1534;
    static constexpr int kIdRs485Address = 1535;
    static constexpr int kIdDay = 1536;
    static constexpr int kIdMonth = 1537;
    static constexpr int kIdYear = 1538;
    static constexpr int kIdHour = 1539;
    static constexpr int kIdMinute = 1540;
    static constexpr int kIdSecond = 1541;
    static constexpr int kIdFirmware = 1542;
    static constexpr int kIdDisplaySize = 1543;
    static constexpr int kIdRs485 = 1074;
    static constexpr int kIdEws = 1075;
    static constexpr int kIdEcho = 1076;
    static constexpr int kIdPoll = 1077;
    static constexpr int kIdSetTime = 1109;
    static constexpr int kIdSetDefaultConfig = 1582;

    // Update reaction: loads the page, then lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
