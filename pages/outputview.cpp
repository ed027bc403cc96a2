#include "outputview.h"

#include <QLineEdit>

#include <cmath>

#include "combolist.h"
#include "dataexchange.h"
#include "resourceids.h"

namespace fennmere {

namespace {

// The numbers were given out as the page grew, hence the gaps and jumps.
const std::array<COutputView::CRowIds, kOutputsUsed> kRows{{
    {1005, 1001, 1000, 1430, 1431, 1432, 1316},  // OUT1
    {1012, 1008, 1433, 1434, 1435, 1436, 1317},  // OUT2
    {1019, 1015, 1437, 1438, 1439, 1440, 1318},  // OUT3
    {1026, 1022, 1441, 1442, 1443, 1444, 1319},  // OUT4
    {1033, 1029, 1445, 1446, 1447, 1448, 1320},  // OUT5
    {1040, 1036, 1449, 1450, 1451, 1452, 1321},  // OUT6
    {1047, 1043, 1453, 1454, 1455, 1456, 1322},  // OUT7
    {1054, 1050, 1457, 1458, 1459, 1460, 1323},  // OUT8
    {1061, 1057, 1461, 1462, 1463, 1464, 1500},  // OUT9
    {1073, 1064, 1465, 1466, 1467, 1468, 1325},  // OUT10
    {1210, 1106, 1118, 1469, 1470, 1471, 1326},  // OUT11
    {1211, 1113, 1112, 1472, 1473, 1474, 1327},  // OUT12
    {1212, 1120, 1119, 1475, 1476, 1477, 1328},  // OUT13
    {1213, 1127, 1126, 1478, 1479, 1480, 1329},  // OUT14
    {1214, 1134, 1133, 1481, 1482, 1136, 1330},  // OUT15
    {1215, 1141, 1140, 1483, 1484, 1143, 1331},  // OUT16
    {1216, 1148, 1147, 1153, 1485, 1150, 1332},  // OUT17
    {1217, 1155, 1154, 1160, 1486, 1157, 1333},  // OUT18
    {1218, 1162, 1161, 1167, 1487, 1164, 1334},  // OUT19
    {1219, 1169, 1168, 1177, 1488, 1171, 1335},  // OUT20
    {1074, 1067, 1065, 1070, 1072, 1068, 1336},  // OUT21
    {1220, 1109, 1107, 1178, 1489, 1110, 1337},  // OUT22
    {1221, 1116, 1114, 1179, 1490, 1117, 1338},  // OUT23
    {1222, 1123, 1121, 1180, 1491, 1124, 1339},  // OUT24
    {1223, 1130, 1128, 1181, 1492, 1131, 1340},  // OUT25
    {1224, 1137, 1135, 1182, 1493, 1138, 1341},  // OUT26
    {1225, 1144, 1142, 1183, 1494, 1145, 1342},  // OUT27
    {1226, 1151, 1149, 1184, 1495, 1152, 1343},  // OUT28
    {1227, 1158, 1156, 1185, 1496, 1159, 1344},  // OUT29
    {1228, 1165, 1163, 1186, 1497, 1166, 1345},  // OUT30
    {1229, 1172, 1170, 1187, 1498, 1173, 1346},  // OUT31
    {1230, 1175, 1174, 1188, 1499, 1176, 1347},  // OUT32
}};

constexpr int kFirstCoefficientId = 1252;
constexpr int kCoefficients = 4;

// The internal channels an output can take its value from.
constexpr std::array<int, 9> kInputChannels{1, 3, 4, 5, 6, 7, 12, 13, 14};

// Entry 0 of the driver table is never used, and the walk stops before the
// last entry.
constexpr int kDriverWalkEnd = 255;

const CText kNoOutput = L"O0";
const CText kFirstPoly = L"P1";

// Index of the item that text begins (letters compared without regard to
// case), searching from the second item and trying the first one last; -1
// when none does. No text names no item.
int FindFromSecond(const CComboList& list, const QString& text)
{
    if (text.isEmpty()) return -1;
    const int count = list.count();
    for (int step = 1; step <= count; ++step) {
        const int i = step % count;
        if (list.itemText(i).startsWith(text, Qt::CaseInsensitive)) return i;
    }
    return -1;
}

// The channel number after the letter: the decimal digits that follow it
// ("I12_Temp" gives 12); 0 when none follow.
int ChannelNumber(const CText& input)
{
    int number = 0;
    for (std::size_t i = 1; i < input.size() && input[i] >= L'0' && input[i] <= L'9' && number < 1000; ++i) {
        number = number * 10 + (input[i] - L'0');
    }
    return number;
}

// Calls unlink(outputRef, polyRef) for the references of every analog and
// digital channel linked to tag.
template <class Fn>
void ForLinkedMeasuredChannels(CConfiguration& config, const CText& tag, Fn unlink)
{
    for (CAnalogChannel& channel : config.m_analog) {
        if (channel.m_strOutput == tag) unlink(channel.m_strOutput, channel.m_strPoly);
    }
    for (CDigitalChannel& channel : config.m_digital) {
        if (channel.m_strOutput == tag) unlink(channel.m_strOutput, channel.m_strPoly);
    }
}

// The link rule for output tag, when input was chosen with poly shown.
void LinkInput(CConfiguration& config, const CText& tag, const CText& input, const CText& poly)
{
    if (input.empty()) return;
    if (input.front() == L'0') {
        auto unlink = [](CText& output, CText& polyRef) {
            output = kNoOutput;
            polyRef = kFirstPoly;
        };
        ForLinkedMeasuredChannels(config, tag, unlink);
        for (CInternalChannel& channel : config.m_internal) {
            if (channel.m_strOutput == tag) unlink(channel.m_strOutput, channel.m_strPoly);
        }
        return;
    }
    if (input.front() != L'I') return;  // serial-sensor parameters link no channel
    ForLinkedMeasuredChannels(config, tag, [&poly](CText& output, CText& polyRef) {
        output = kNoOutput;
        polyRef = poly;
    });
    for (CInternalChannel& channel : config.m_internal) {
        if (channel.m_strOutput == tag) channel.m_strOutput = kNoOutput;
    }
    const int number = ChannelNumber(input);
    if (number < 1 || number > kInternalChannels) return;
    CInternalChannel& channel = config.m_internal[number - 1];
    channel.m_strOutput = tag;
    channel.m_strPoly = poly;
}

// The polynomial rule: every channel linked to tag follows poly.
void PassPoly(CConfiguration& config, const CText& tag, const CText& poly)
{
    ForLinkedMeasuredChannels(config, tag, [&poly](CText&, CText& polyRef) { polyRef = poly; });
    for (CInternalChannel& channel : config.m_internal) {
        if (channel.m_strOutput == tag) channel.m_strPoly = poly;
    }
}

}  // namespace

COutputView::COutputView(QWidget* parent) : CConfigPageView(kPageOutput, kPageTemplate[kPageOutput], parent)
{
    // activated, not currentIndexChanged: only the operator's choice runs
    // the rules, never a rebuild or a load.
    for (int row = 0; row < kOutputsUsed; ++row) {
        if (auto* input = ControlAs<CComboList>(kRows[row].m_nInput)) {
            connect(input, &QComboBox::activated, this, [this, row](int index) { OnInputChanged(row, index); });
        }
        if (auto* poly = ControlAs<CComboList>(kRows[row].m_nPoly)) {
            connect(poly, &QComboBox::activated, this, [this, row](int index) { OnPolyChanged(row, index); });
        }
    }
}

const std::array<COutputView::CRowIds, kOutputsUsed>& COutputView::RowIds()
{
    return kRows;
}

int COutputView::CoefficientId(int poly, int coefficient)
{
    return kFirstCoefficientId + kCoefficients * poly + coefficient;
}

void COutputView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    RebuildInputLists();
}

QStringList COutputView::InputChoices(const CConfiguration& config)
{
    QStringList choices{QStringLiteral("0")};
    for (int number : kInputChannels) {
        const CText& name = config.m_internal[number - 1].m_strName;
        QString item = QStringLiteral("I%1").arg(number);
        if (!name.empty()) item += QLatin1Char('_') + QString::fromStdWString(name);
        choices.append(item);
    }
    const auto& drivers = config.m_driver;
    for (int m = 1; m <= kSerialSensorsUsed; ++m) {
        const CText& driver = config.m_serial[m - 1].m_strDriver;
        if (driver.empty() || driver == L"NONE") continue;
        // The parameters of a driver are the non-header entries right after
        // it. The entry that ends them is passed over by the walk.
        for (int k = 1; k < kDriverWalkEnd && drivers[k].m_nNumber != 0; ++k) {
            if (drivers[k].m_strName != driver) continue;
            for (++k; k < kSerialDrivers && drivers[k].m_nNumber != 0 && drivers[k].m_nHeader == 0; ++k) {
                choices.append(QStringLiteral("S%1_").arg(m) + QString::fromStdWString(drivers[k].m_strName));
            }
        }
    }
    return choices;
}

void COutputView::RebuildInputLists()
{
    if (GetDocument() == nullptr) return;
    const CConfiguration& config = Config();
    const QStringList choices = InputChoices(config);
    for (int row = 0; row < kOutputsUsed; ++row) {
        auto* list = ControlAs<CComboList>(kRows[row].m_nInput);
        if (list == nullptr) continue;
        list->ResetContent();
        for (const QString& choice : choices) list->AddString(choice);
        const int found = FindFromSecond(*list, QString::fromStdWString(config.m_output[row].m_strInput));
        list->SetCurSel(found == -1 ? 0 : found);
    }
}

QString COutputView::SelectedPoly(int row) const
{
    auto* poly = ControlAs<CComboList>(kRows[row].m_nPoly);
    if (poly == nullptr || poly->count() == 0) return QString();
    const int index = poly->GetCurSel();
    return poly->itemText(index == -1 ? 0 : index);
}

void COutputView::OnInputChanged(int row, int index)
{
    auto* input = ControlAs<CComboList>(kRows[row].m_nInput);
    if (GetDocument() == nullptr || input == nullptr || index < 0 || index >= input->count()) return;
    LinkInput(Config(), OutputTag(row + 1), input->itemText(index).toStdWString(), SelectedPoly(row).toStdWString());
}

void COutputView::OnPolyChanged(int row, int index)
{
    auto* poly = ControlAs<CComboList>(kRows[row].m_nPoly);
    if (GetDocument() == nullptr || poly == nullptr || index < 0 || index >= poly->count()) return;
    PassPoly(Config(), OutputTag(row + 1), poly->itemText(index).toStdWString());
}

void COutputView::DoDataExchange(CDataExchange& dx)
{
    for (int k = 0; k < kPolynomials; ++k) {
        for (int j = 0; j < kCoefficients; ++j) {
            float& coefficient = Config().m_poly[k].m_fA[j];
            const int id = CoefficientId(k, j);
            // A file or a logger may give a coefficient no number text can
            // stand for. Left as shown it is kept, so it cannot stop every
            // later store of the page; typed over, it is read like any other.
            if (dx.IsStoring() && !std::isfinite(coefficient)) {
                auto* edit = ControlAs<QLineEdit>(id);
                if (edit != nullptr && edit->text() == CDataExchange::FormatReal(coefficient)) continue;
            }
            dx.LeadingReal(id, coefficient);
        }
    }
    for (int row = 0; row < kOutputsUsed; ++row) {
        COutput& output = Config().m_output[row];
        const CRowIds& ids = kRows[row];
        dx.Text(ids.m_nInput, output.m_strInput);
        dx.Check(ids.m_nMin, output.m_nMin);
        dx.Check(ids.m_nMax, output.m_nMax);
        dx.Check(ids.m_nStdev, output.m_nStdev);
        dx.Check(ids.m_nVector, output.m_nVector);
        dx.Text(ids.m_nPoly, output.m_strPoly);
        dx.Text(ids.m_nAlias, output.m_strAlias);
    }
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
