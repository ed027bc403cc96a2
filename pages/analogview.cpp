#include "analogview.h"

#include <QCheckBox>

#include "combolist.h"
#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"
#include "sensorlist.h"

namespace fennmere {

namespace {

constexpr int kVectorRows = 8;  // AIN1 to AIN8 carry VECT, the rest POLARITY, RANGE and RATIO

const std::array<CAnalogView::CRowIds, kAnalogChannels> kRows{{
    // MEASURE, VECT, POLARITY, RANGE, RATIO, OUTPUT, SENSOR, POLY
    {1070, 1071, 0, 0, 0, 1072, 1073, 1058},        // AIN1
    {1074, 1075, 0, 0, 0, 1076, 1077, 1059},        // AIN2
    {1078, 1079, 0, 0, 0, 1080, 1081, 1060},        // AIN3
    {1082, 1083, 0, 0, 0, 1084, 1085, 1061},        // AIN4
    {1086, 1087, 0, 0, 0, 1088, 1089, 1063},        // AIN5
    {1090, 1091, 0, 0, 0, 1092, 1093, 1064},        // AIN6
    {1094, 1095, 0, 0, 0, 1096, 1097, 1065},        // AIN7
    {1098, 1099, 0, 0, 0, 1100, 1101, 1066},        // AIN8
    {1102, 0, 1104, 1106, 1113, 1120, 1062, 1067},  // AIN9
    {1127, 0, 1134, 1141, 1148, 1155, 1069, 1068},  // AIN10
    {1162, 0, 1169, 1175, 1176, 1177, 1111, 1109},  // AIN11
    {1178, 0, 1179, 1180, 1181, 1182, 1118, 1110},  // AIN12
    {1183, 0, 1184, 1185, 1186, 1187, 1125, 1112},  // AIN13
    {1188, 0, 1189, 1190, 1191, 1192, 1132, 1114},  // AIN14
    {1193, 0, 1194, 1137, 1195, 1196, 1139, 1115},  // AIN15
    {1197, 0, 1198, 1144, 1199, 1200, 1146, 1116},  // AIN16
    {1201, 0, 1202, 1151, 1203, 1204, 1153, 1117},  // AIN17
    {1205, 0, 1206, 1158, 1207, 1208, 1160, 1119},  // AIN18
    {1209, 0, 1210, 1211, 1212, 1213, 1214, 1121},  // AIN19
    {1215, 0, 1216, 1217, 1218, 1219, 1174, 1122},  // AIN20
}};

// Items of the POLARITY lists.
constexpr int kBipolarItem = 0;
constexpr int kUnipolarItem = 1;

// Range texts of the definition file and the RANGE item each selects. Files
// spell the third range both "625mV" (the range itself) and "635mV"; both
// mean the "625" item.
struct CRangeText {
    const wchar_t* m_pszText;
    int m_nItem;
};
constexpr CRangeText kRangeTexts[] = {
    {L"2500mV", 0}, {L"1250mV", 1}, {L"625mV", 2}, {L"635mV", 2}, {L"312mV", 3},
    {L"156mV", 4},  {L"78mV", 5},   {L"39mV", 6},  {L"19mV", 7},
};

void SetCheck(CPageView& page, int id, bool checked)
{
    if (auto* box = page.ControlAs<QCheckBox>(id)) box->setChecked(checked);
}

void SelectItem(CPageView& page, int id, int index)
{
    if (auto* list = page.ControlAs<CComboList>(id)) list->SetCurSel(index);
}

}  // namespace

CAnalogView::CAnalogView(QWidget* parent) : CConfigPageView(kPageAnalog, kPageTemplate[kPageAnalog], parent)
{
    for (int row = 0; row < kAnalogChannels; ++row) {
        if (auto* list = ControlAs<CComboList>(kRows[row].m_nSensor)) {
            connect(list, &QComboBox::activated, this, [this, row](int index) { OnSensorChosen(row, index); });
        }
    }
}

const std::array<CAnalogView::CRowIds, kAnalogChannels>& CAnalogView::RowIds()
{
    return kRows;
}

void CAnalogView::OnInitialUpdate()
{
    if (GetDocument() != nullptr) GetDocument()->PostFrameMessage(kShowSerialPageMessage);
    CConfigPageView::OnInitialUpdate();
    FillSensorLists();
}

void CAnalogView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

void CAnalogView::FillSensorLists()
{
    if (GetDocument() == nullptr) return;
    for (int row = 0; row < kAnalogChannels; ++row) {
        if (auto* list = ControlAs<CComboList>(kRows[row].m_nSensor)) {
            FillSensorList(*list, OfferedSensors(Config(), kAnalogSensor, row + 1));
        }
    }
}

int CAnalogView::RangeIndex(const std::wstring& rangeText)
{
    for (const CRangeText& range : kRangeTexts) {
        if (rangeText == range.m_pszText) return range.m_nItem;
    }
    return -1;
}

void CAnalogView::OnSensorChosen(int row, int index)
{
    if (row < 0 || row >= kAnalogChannels || GetDocument() == nullptr) return;
    auto* list = ControlAs<CComboList>(kRows[row].m_nSensor);
    if (list == nullptr || index < 0 || index >= list->count()) return;
    const CSensorDefinition* sensor =
        FindOfferedSensor(Config(), kAnalogSensor, row + 1, list->itemText(index).toStdWString());
    if (sensor == nullptr) return;

    const CRowIds& ids = kRows[row];
    SetCheck(*this, ids.m_nMeasure, true);
    if (row < kVectorRows) {
        SetCheck(*this, ids.m_nVector, sensor->m_nVector == 1);
        return;
    }
    SetCheck(*this, ids.m_nRatio, sensor->m_nRatio == 1);
    SelectItem(*this, ids.m_nPolarity, sensor->m_strPolarity == L"unipolar" ? kUnipolarItem : kBipolarItem);
    const int range = RangeIndex(sensor->m_strRange);
    if (range != -1) SelectItem(*this, ids.m_nRange, range);
}

void CAnalogView::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < kAnalogChannels; ++k) {
        CAnalogChannel& channel = Config().m_analog[k];
        const CRowIds& row = kRows[k];
        dx.Check(row.m_nMeasure, channel.m_nMeasure);
        if (k < kVectorRows) {
            dx.Check(row.m_nVector, channel.m_nVector);
        } else {
            dx.Check(row.m_nRatio, channel.m_nRatio);
            dx.Text(row.m_nPolarity, channel.m_strPolarity);
            dx.Text(row.m_nRange, channel.m_strRange);
        }
        dx.Text(row.m_nOutput, channel.m_strOutput);
        dx.Text(row.m_nSensor, channel.m_strSensor);
        dx.Text(row.m_nPoly, channel.m_strPoly);
    }
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
