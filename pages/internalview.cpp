#include "internalview.h"

#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

namespace {

// The input lists of IIN1 to IIN11 and the second inputs of IIN13 and IIN14
// exist on the page but feed nothing, so they are not bound (0 here).
const std::array<CInternalView::CRowIds, kInternalChannelsUsed> kRows{{
    {0, 0, 1379, 1602},        // IIN1
    {0, 0, 1380, 1061},        // IIN2
    {0, 0, 1381, 1062},        // IIN3
    {0, 0, 1382, 1063},        // IIN4
    {0, 0, 1383, 1064},        // IIN5
    {0, 0, 1384, 1065},        // IIN6
    {0, 0, 1385, 1068},        // IIN7
    {0, 0, 1386, 1069},        // IIN8
    {0, 0, 1387, 1070},        // IIN9
    {0, 0, 1388, 1071},        // IIN10
    {0, 0, 1389, 1072},        // IIN11
    {1115, 1116, 1390, 1073},  // IIN12
    {1122, 0, 1391, 1074},     // IIN13
    {1129, 0, 1392, 1075},     // IIN14
    {1124, 1125, 1393, 1076},  // IIN15
    {1131, 1132, 1394, 1077},  // IIN16
    {1133, 1134, 1395, 1078},  // IIN17
    {1135, 1136, 1396, 1079},  // IIN18
    {1137, 1138, 1397, 1080},  // IIN19
}};

}  // namespace

CInternalView::CInternalView(QWidget* parent) : CConfigPageView(kPageInternal, kPageTemplate[kPageInternal], parent) {}

const std::array<CInternalView::CRowIds, kInternalChannelsUsed>& CInternalView::RowIds()
{
    return kRows;
}

void CInternalView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    UpdateData(false);
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

void CInternalView::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < kInternalChannelsUsed; ++k) {
        CInternalChannel& channel = Config().m_internal[k];
        dx.Text(kRows[k].m_nOutput, channel.m_strOutput);
        dx.Text(kRows[k].m_nPoly, channel.m_strPoly);
    }
    for (int k = 0; k < kInternalChannelsUsed; ++k) {
        CInternalChannel& channel = Config().m_internal[k];
        if (kRows[k].m_nInput1 != 0) dx.Text(kRows[k].m_nInput1, channel.m_strInput1);
        if (kRows[k].m_nInput2 != 0) dx.Text(kRows[k].m_nInput2, channel.m_strInput2);
    }
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
