// COutputView: the Output page, the 32 computed outputs OUT1 to OUT32 and the
// 16 polynomials P1 to P16. Each row names the quantity the output takes its
// value from, the statistics the logger adds to it, the polynomial applied
// and an alias; the block beside the rows holds the coefficients A0 to A3 of
// every polynomial. The page is taller than the window and scrolls.
//
// The INPUT lists offer the internal channels and the parameters of the
// serial sensors' drivers; they are rebuilt at every update notification.
// Choosing an internal channel links it to the row's output from the
// channel's side too, and choosing a polynomial passes it on to whatever
// channel is linked to the row. Analog and digital channels are linked on
// their own pages; this page only unlinks them.
//
// Window thread only.
#pragma once

#include <QString>

#include <array>

#include "configpageview.h"

namespace fennmere {

class COutputView : public CConfigPageView {
    Q_OBJECT
public:
    explicit COutputView(QWidget* parent);

    // The control numbers of one output row.
    struct CRowIds {
        int m_nInput;
        int m_nMin;
        int m_nMax;
        int m_nStdev;
        int m_nVector;
        int m_nPoly;
        int m_nAlias;
    };
    static const std::array<CRowIds, kOutputsUsed>& RowIds();
    // The edit of coefficient A<coefficient> (0 to 3) of polynomial P<poly+1>
    // (poly 0 to 15).
    static int CoefficientId(int poly, int coefficient);

    // Update reaction: rebuilds the INPUT lists.
    void OnUpdate(CPageView* sender, int hint) override;

    // Refills every INPUT list from the internal channel names, the serial
    // sensors' drivers and the serial driver table, and selects in each the
    // item that the output's stored input text begins, or "0".
    void RebuildInputLists();
    // The items of an INPUT list for configuration config.
    static QStringList InputChoices(const CConfiguration& config);

    // The handlers of the INPUT and POLY lists of row 0 to 31 (OUT1 to
    // OUT32); index is the item chosen.
    void OnInputChanged(int row, int index);
    void OnPolyChanged(int row, int index);

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    // The row's polynomial as the lists show it: the chosen POLY item, or the
    // first item when none is chosen.
    QString SelectedPoly(int row) const;
};

}  // namespace fennmere
