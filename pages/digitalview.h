// CDigitalView: the Digital page, digital channels DIN1 to DIN8. Each row
// says whether the channel is measured, how its pulses are evaluated
// (frequency, count or time) and with which sensor; the output and polynomial
// assigned to the channel are shown, not edited (the Output page sets them).
//
// The SENSOR lists offer the digital sensors of the sensor definition table
// that are allowed on the row's channel. Choosing one ticks MEASURE and sets
// TYPE from the sensor's definition; the configuration takes them when the
// page is next stored.
//
// Window thread only.
#pragma once

#include <array>

#include "configpageview.h"

namespace fennmere {

class CDigitalView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CDigitalView(QWidget* parent);

    // The control numbers of one row.
    struct CRowIds {
        int m_nMeasure;
        int m_nType;
        int m_nOutput;
        int m_nSensor;
        int m_nPoly;
    };
    static const std::array<CRowIds, kDigitalChannels>& RowIds();

    // The configuration page's initial update, then fills the SENSOR lists.
    void OnInitialUpdate() override;

    // Update reaction: lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;

    // Refills every SENSOR list from the sensor definition table; the edit
    // fields keep the configured sensors.
    void FillSensorLists();

    // The operator chose item index of row's SENSOR list (row 0 is DIN1).
    void OnSensorChosen(int row, int index);

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
