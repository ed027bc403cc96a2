#include "digitalview.h"

#include <QCheckBox>

#include "combolist.h"
#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"
#include "sensorlist.h"

namespace fennmere {

namespace {

const std::array<CDigitalView::CRowIds, kDigitalChannels> kRows{{
    // MEASURE, TYPE, OUTPUT, SENSOR, POLY
    {1220, 1256, 1224, 1225, 1058},  // DIN1
    {1226, 1258, 1230, 1231, 1059},  // DIN2
    {1012, 1259, 1014, 1235, 1060},  // DIN3
    {1236, 1022, 1238, 1021, 1061},  // DIN4
    {1239, 1260, 1243, 1244, 1062},  // DIN5
    {1245, 1261, 1247, 1248, 1063},  // DIN6
    {1249, 1262, 1251, 1252, 1064},  // DIN7
    {1253, 1263, 1066, 1257, 1065},  // DIN8
}};

// The TYPE items, in list order.
constexpr const wchar_t* kTypes[] = {L"FREQ", L"COUNT", L"TIME"};

}  // namespace

CDigitalView::CDigitalView(QWidget* parent) : CConfigPageView(kPageDigital, kPageTemplate[kPageDigital], parent)
{
    for (int row = 0; row < kDigitalChannels; ++row) {
        if (auto* list = ControlAs<CComboList>(kRows[row].m_nSensor)) {
            connect(list, &QComboBox::activated, this, [this, row](int index) { OnSensorChosen(row, index); });
        }
    }
}

const std::array<CDigitalView::CRowIds, kDigitalChannels>& CDigitalView::RowIds()
{
    return kRows;
}

void CDigitalView::OnInitialUpdate()
{
    CConfigPageView::OnInitialUpdate();
    FillSensorLists();
}

void CDigitalView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

void CDigitalView::FillSensorLists()
{
    if (GetDocument() == nullptr) return;
    for (int row = 0; row < kDigitalChannels; ++row) {
        if (auto* list = ControlAs<CComboList>(kRows[row].m_nSensor)) {
            FillSensorList(*list, OfferedSensors(Config(), kDigitalSensor, row + 1));
        }
    }
}

void CDigitalView::OnSensorChosen(int row, int index)
{
    if (row < 0 || row >= kDigitalChannels || GetDocument() == nullptr) return;
    auto* list = ControlAs<CComboList>(kRows[row].m_nSensor);
    if (list == nullptr || index < 0 || index >= list->count()) return;
    const CSensorDefinition* sensor =
        FindOfferedSensor(Config(), kDigitalSensor, row + 1, list->itemText(index).toStdWString());
    if (sensor == nullptr) return;

    if (auto* measure = ControlAs<QCheckBox>(kRows[row].m_nMeasure)) measure->setChecked(true);
    auto* type = ControlAs<CComboList>(kRows[row].m_nType);
    if (type == nullptr) return;
    for (int item = 0; item < static_cast<int>(std::size(kTypes)); ++item) {
        if (sensor->m_strDigitalType == kTypes[item]) type->SetCurSel(item);
    }
}

void CDigitalView::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < kDigitalChannels; ++k) {
        CDigitalChannel& channel = Config().m_digital[k];
        const CRowIds& row = kRows[k];
        dx.Check(row.m_nMeasure, channel.m_nMeasure);
        dx.Text(row.m_nType, channel.m_strType);
        dx.Text(row.m_nOutput, channel.m_strOutput);
        dx.Text(row.m_nSensor, channel.m_strSensor);
        dx.Text(row.m_nPoly, channel.m_strPoly);
    }
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
