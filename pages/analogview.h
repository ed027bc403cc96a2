// CAnalogView: the Analog page, analog channels AIN1 to AIN20. Each row says
// whether the channel is measured and with which sensor; AIN1 to AIN8 carry
// the vector flag, AIN9 to AIN20 their input polarity, range and ratio
// setting. The output and polynomial assigned to a channel are shown, not
// edited (the Output page sets them).
//
// The SENSOR lists offer the analog sensors of the sensor definition table
// that are allowed on the row's channel. Choosing one ticks MEASURE and sets
// the row's other controls from the sensor's definition; the configuration
// takes them when the page is next stored.
//
// Window thread only.
#pragma once

#include <array>

#include "configpageview.h"

namespace fennmere {

class CAnalogView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CAnalogView(QWidget* parent);

    // The control numbers of one row. AIN1 to AIN8 have a VECT check box and
    // no POLARITY, RANGE or RATIO control; AIN9 to AIN20 the other way round
    // (0 for a control the row does not have).
    struct CRowIds {
        int m_nMeasure;
        int m_nVector;
        int m_nPolarity;
        int m_nRange;
        int m_nRatio;
        int m_nOutput;
        int m_nSensor;
        int m_nPoly;
    };
    static const std::array<CRowIds, kAnalogChannels>& RowIds();

    // Asks the frame to bring the Serial page to the front (posted, so it
    // happens after every page has had its initial update), then the
    // configuration page's initial update, then fills the SENSOR lists.
    void OnInitialUpdate() override;

    // Update reaction: lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;

    // Refills every SENSOR list from the sensor definition table; the edit
    // fields keep the configured sensors.
    void FillSensorLists();

    // Item index of the RANGE lists that a definition's range text selects,
    // or -1 for a text that selects none.
    static int RangeIndex(const std::wstring& rangeText);

    // The operator chose item index of row's SENSOR list (row 0 is AIN1).
    void OnSensorChosen(int row, int index);

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
