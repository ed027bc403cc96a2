// CInternalView: the Internal page, internal channels IIN1 to IIN19. Every
// row shows the output and polynomial the Output page assigned to the
// channel; the computed channels (IIN12 to IIN19) also let the operator pick
// the outputs that feed them. Which rows are visible is left to the variant
// layout.
//
// Window thread only.
#pragma once

#include <array>

#include "configpageview.h"

namespace fennmere {

class CInternalView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CInternalView(QWidget* parent);

    // The control numbers of one row. m_nInput1 and m_nInput2 are 0 where
    // the list is not exchanged with the configuration.
    struct CRowIds {
        int m_nInput1;
        int m_nInput2;
        int m_nOutput;
        int m_nPoly;
    };
    static const std::array<CRowIds, kInternalChannelsUsed>& RowIds();

    // Update reaction: loads the page, then lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
