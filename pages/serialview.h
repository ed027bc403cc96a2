// CSerialView: the Serial page, the serial sensors SIN1 to SIN8. Each row
// says whether the sensor is read, on which of the logger's ports, with which
// line settings, through which of the logger's sensor drivers and at which
// bus address. The driver lists offer the drivers the logger reported on the
// last Retrieve and are rebuilt at every update notification.
//
// Window thread only.
#pragma once

#include <array>

#include "configpageview.h"

namespace fennmere {

class CSerialView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CSerialView(QWidget* parent);

    // The control numbers of one row.
    struct CRowIds {
        int m_nMeasure;
        int m_nPort;
        int m_nBaud;
        int m_nBits;
        int m_nParity;
        int m_nStopBits;
        int m_nDriver;
        int m_nAddress;
    };
    static const std::array<CRowIds, kSerialSensorsUsed>& RowIds();

    // Update reaction: rebuilds the driver lists, loads the page, lays the
    // page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;

    // Refills every DRIVER list from the configuration's serial driver table.
    void RebuildDriverLists();

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
