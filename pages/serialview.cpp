#include "serialview.h"

#include "combolist.h"
#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

namespace {

const std::array<CSerialView::CRowIds, kSerialSensorsUsed> kRows{{
    {1393, 1008, 1394, 1395, 1396, 1006, 1009, 1397},  // SIN1
    {1398, 1015, 1399, 1400, 1401, 1013, 1016, 1066},  // SIN2
    {1402, 1022, 1403, 1404, 1405, 1020, 1023, 1406},  // SIN3
    {1407, 1029, 1408, 1409, 1410, 1027, 1030, 1411},  // SIN4
    {1412, 1036, 1413, 1414, 1415, 1034, 1037, 1069},  // SIN5
    {1416, 1043, 1417, 1418, 1419, 1041, 1044, 1420},  // SIN6
    {1421, 1050, 1422, 1423, 1424, 1048, 1051, 1071},  // SIN7
    {1425, 1056, 1426, 1427, 1428, 1055, 1057, 1429},  // SIN8
}};

// The driver table ends at the first entry numbered 0; entry 0 itself is
// never offered and the last entry is never looked at.
constexpr int kLastDriverEntry = 254;

}  // namespace

CSerialView::CSerialView(QWidget* parent) : CConfigPageView(kPageSerial, kPageTemplate[kPageSerial], parent) {}

const std::array<CSerialView::CRowIds, kSerialSensorsUsed>& CSerialView::RowIds()
{
    return kRows;
}

void CSerialView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    RebuildDriverLists();
    UpdateData(false);
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

void CSerialView::RebuildDriverLists()
{
    if (GetDocument() == nullptr) return;
    const auto& drivers = Config().m_driver;
    for (const CRowIds& row : kRows) {
        auto* list = ControlAs<CComboList>(row.m_nDriver);
        if (list == nullptr) continue;
        list->ResetContent();
        for (int i = 1; i <= kLastDriverEntry && drivers[i].m_nNumber != 0; ++i) {
            if (drivers[i].m_nHeader != 1) continue;  // a parameter of the driver before it
            const QString name = QString::fromStdWString(drivers[i].m_strName);
            // A nameless entry would only add an empty item.
            if (name.isEmpty()) continue;
            // One item per driver: a name that an item already begins with
            // is taken as offered.
            if (list->FindString(name) == -1) list->AddString(name);
        }
        list->AddString(QStringLiteral("NONE"));
    }
}

void CSerialView::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < kSerialSensorsUsed; ++k) {
        CSerialSensor& sensor = Config().m_serial[k];
        const CRowIds& row = kRows[k];
        dx.Check(row.m_nMeasure, sensor.m_nMeasure);
        dx.SerialPort(row.m_nPort, sensor.m_strPort);
        dx.Text(row.m_nBaud, sensor.m_strBaud);
        dx.Text(row.m_nBits, sensor.m_strDataBits);
        dx.Text(row.m_nParity, sensor.m_strParity);
        dx.Text(row.m_nStopBits, sensor.m_strStopBits);
        dx.Text(row.m_nDriver, sensor.m_strDriver);
        dx.Text(row.m_nAddress, sensor.m_strAddress);
    }
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
