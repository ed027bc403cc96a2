#include "variantlayout.h"

#include <QWidget>

#include <array>
#include <initializer_list>

#include "dialogform.h"
#include "resourceids.h"

namespace fennmere {

namespace {

// Variant flags written as in a table row, variant 1 first: V(1,1,1,1,0,1).
constexpr uint8_t V(int v1, int v2, int v3, int v4, int v5, int v6)
{
    return static_cast<uint8_t>(v1 | v2 << 1 | v3 << 2 | v4 << 3 | v5 << 4 | v6 << 5);
}

constexpr uint8_t kAin1 = V(1, 1, 1, 1, 0, 1);
constexpr uint8_t kAin2to4 = V(1, 1, 1, 1, 0, 0);
constexpr uint8_t kAin5to8 = V(1, 0, 0, 0, 0, 0);
constexpr uint8_t kNone = V(0, 0, 0, 0, 0, 0);
constexpr uint8_t kFirstTwo = V(1, 1, 0, 0, 0, 0);

// clang-format off
constexpr CVariantEntry kAnalogTable[] = {
    // AIN1 MEASURE, SENSOR
    {1070, 1, kAin1}, {1073, 1, kAin1},
    // AIN2 to AIN4 MEASURE, SENSOR
    {1074, 1, kAin2to4}, {1077, 1, kAin2to4}, {1078, 1, kAin2to4}, {1081, 1, kAin2to4},
    {1082, 1, kAin2to4}, {1085, 1, kAin2to4},
    // AIN5 to AIN8 MEASURE, SENSOR
    {1086, 1, kAin5to8}, {1089, 1, kAin5to8}, {1090, 1, kAin5to8}, {1093, 1, kAin5to8},
    {1094, 1, kAin5to8}, {1097, 1, kAin5to8}, {1098, 1, kAin5to8}, {1101, 1, kAin5to8},
    // AIN5 to AIN8 VECT
    {1087, 1, kNone}, {1091, 1, kNone}, {1095, 1, kNone}, {1099, 1, kNone},
    // AIN5 to AIN8 OUTPUT, POLY
    {1088, 3, kFirstTwo}, {1063, 3, kFirstTwo}, {1092, 3, kFirstTwo}, {1064, 3, kFirstTwo},
    {1096, 3, kFirstTwo}, {1065, 3, kFirstTwo}, {1100, 3, kFirstTwo}, {1066, 3, kFirstTwo},
    // AIN9 to AIN12 MEASURE, SENSOR, POLARITY, RANGE, RATIO
    {1102, 1, kAin2to4}, {1062, 1, kAin2to4}, {1104, 1, kAin2to4}, {1106, 1, kAin2to4}, {1113, 1, kAin2to4},
    {1127, 1, kAin2to4}, {1069, 1, kAin2to4}, {1134, 1, kAin2to4}, {1141, 1, kAin2to4}, {1148, 1, kAin2to4},
    {1162, 1, kAin2to4}, {1111, 1, kAin2to4}, {1169, 1, kAin2to4}, {1175, 1, kAin2to4}, {1176, 1, kAin2to4},
    {1178, 1, kAin2to4}, {1118, 1, kAin2to4}, {1179, 1, kAin2to4}, {1180, 1, kAin2to4}, {1181, 1, kAin2to4},
    // AIN13 to AIN20 MEASURE, SENSOR, POLARITY, RANGE, RATIO
    {1183, 1, kAin5to8}, {1125, 1, kAin5to8}, {1184, 1, kAin5to8}, {1185, 1, kAin5to8}, {1186, 1, kAin5to8},
    {1188, 1, kAin5to8}, {1132, 1, kAin5to8}, {1189, 1, kAin5to8}, {1190, 1, kAin5to8}, {1191, 1, kAin5to8},
    {1193, 1, kAin5to8}, {1139, 1, kAin5to8}, {1194, 1, kAin5to8}, {1137, 1, kAin5to8}, {1195, 1, kAin5to8},
    {1197, 1, kAin5to8}, {1146, 1, kAin5to8}, {1198, 1, kAin5to8}, {1144, 1, kAin5to8}, {1199, 1, kAin5to8},
    {1201, 1, kAin5to8}, {1153, 1, kAin5to8}, {1202, 1, kAin5to8}, {1151, 1, kAin5to8}, {1203, 1, kAin5to8},
    {1205, 1, kAin5to8}, {1160, 1, kAin5to8}, {1206, 1, kAin5to8}, {1158, 1, kAin5to8}, {1207, 1, kAin5to8},
    {1209, 1, kAin5to8}, {1214, 1, kAin5to8}, {1210, 1, kAin5to8}, {1211, 1, kAin5to8}, {1212, 1, kAin5to8},
    {1215, 1, kAin5to8}, {1174, 1, kAin5to8}, {1216, 1, kAin5to8}, {1217, 1, kAin5to8}, {1218, 1, kAin5to8},
    // AIN13 to AIN20 OUTPUT, POLY
    {1187, 3, kFirstTwo}, {1112, 3, kFirstTwo}, {1192, 3, kFirstTwo}, {1114, 3, kFirstTwo},
    {1196, 3, kFirstTwo}, {1115, 3, kFirstTwo}, {1200, 3, kFirstTwo}, {1116, 3, kFirstTwo},
    {1204, 3, kFirstTwo}, {1117, 3, kFirstTwo}, {1208, 3, kFirstTwo}, {1119, 3, kFirstTwo},
    {1213, 3, kFirstTwo}, {1121, 3, kFirstTwo}, {1219, 3, kFirstTwo}, {1122, 3, kFirstTwo},
};

constexpr CVariantEntry kDigitalTable[] = {
    // DIN1 MEASURE, TYPE, SENSOR
    {1220, 1, kAin1}, {1256, 1, kAin1}, {1225, 1, kAin1},
    // DIN2 to DIN4 MEASURE, TYPE, SENSOR
    {1226, 1, kAin2to4}, {1258, 1, kAin2to4}, {1231, 1, kAin2to4},
    {1012, 1, kAin2to4}, {1259, 1, kAin2to4}, {1235, 1, kAin2to4},
    {1236, 1, kAin2to4}, {1022, 1, kAin2to4}, {1021, 1, kAin2to4},
    // DIN5 to DIN8 MEASURE, TYPE, SENSOR, OUTPUT, POLY
    {1239, 1, kAin5to8}, {1260, 1, kAin5to8}, {1244, 1, kAin5to8}, {1243, 1, kAin5to8}, {1062, 1, kAin5to8},
    {1245, 1, kAin5to8}, {1261, 1, kAin5to8}, {1248, 1, kAin5to8}, {1247, 1, kAin5to8}, {1063, 1, kAin5to8},
    {1249, 1, kAin5to8}, {1262, 1, kAin5to8}, {1252, 1, kAin5to8}, {1251, 1, kAin5to8}, {1064, 1, kAin5to8},
    {1253, 1, kAin5to8}, {1263, 1, kAin5to8}, {1257, 1, kAin5to8}, {1066, 1, kAin5to8}, {1065, 1, kAin5to8},
};

constexpr uint8_t kIin12to14 = V(1, 1, 0, 1, 1, 1);
constexpr uint8_t kIin15to16 = V(1, 1, 0, 1, 0, 1);
constexpr uint8_t kIin16Input2 = V(1, 1, 0, 0, 0, 1);

constexpr CVariantEntry kInternalTable[] = {
    // IIN8 to IIN11 INPUT1
    {1052, 1, kNone}, {1059, 1, kNone}, {1066, 1, kNone}, {1108, 1, kNone},
    // IIN12 INPUT1, INPUT2; IIN13 INPUT1; IIN14 INPUT1
    {1115, 1, kIin12to14}, {1116, 1, kIin12to14}, {1122, 1, kIin12to14}, {1129, 1, kIin12to14},
    // IIN13 INPUT2; IIN14 INPUT2
    {1123, 1, kNone}, {1130, 1, kNone},
    // IIN15 INPUT1, INPUT2; IIN16 INPUT1
    {1124, 1, kIin15to16}, {1125, 1, kIin15to16}, {1131, 1, kIin15to16},
    // IIN16 INPUT2
    {1132, 1, kIin16Input2},
    // IIN17, IIN18, IIN19 INPUT1
    {1133, 1, kFirstTwo}, {1135, 1, kFirstTwo}, {1137, 1, kFirstTwo},
    // IIN17, IIN18, IIN19 INPUT2
    {1134, 1, kNone}, {1136, 1, kNone}, {1138, 1, kNone},
};

constexpr CVariantEntry kOutputTable[] = {
    // VECT of OUT1 to OUT32
    {1431, 1, kAin1}, {1435, 1, kAin1}, {1439, 1, kAin1}, {1443, 1, kAin1}, {1447, 1, kAin1},
    {1451, 1, kAin1}, {1455, 1, kAin1}, {1459, 1, kAin1}, {1463, 1, kAin1}, {1467, 1, kAin1},
    {1470, 1, kAin1}, {1473, 1, kAin1}, {1476, 1, kAin1}, {1479, 1, kAin1}, {1482, 1, kAin1},
    {1484, 1, kAin1}, {1485, 1, kAin1}, {1486, 1, kAin1}, {1487, 1, kAin1}, {1488, 1, kAin1},
    {1072, 1, kAin1}, {1489, 1, kAin1}, {1490, 1, kAin1}, {1491, 1, kAin1}, {1492, 1, kAin1},
    {1493, 1, kAin1}, {1494, 1, kAin1}, {1495, 1, kAin1}, {1496, 1, kAin1}, {1497, 1, kAin1},
    {1498, 1, kAin1}, {1499, 1, kAin1},
};

constexpr CVariantEntry kSystemTable[] = {
    // "DisplaySize"
    {1543, 2, V(0, 0, 0, 0, 0, 1)},
};
// clang-format on

struct CTreatment {
    bool m_bShow;
    bool m_bEnable;
};

// How a page treats a control of kind 1, 2 or 3.
CTreatment TreatmentFor(int page, int kind)
{
    const bool enables = page == kPageInternal || page == kPageOutput;
    switch (kind) {
        case 1:
            return {true, enables};
        case 2:
            if (page == kPageAnalog || page == kPageSystem) return {true, false};
            return {false, true};
        default:
            return {true, false};
    }
}

void Show(CDialogForm& form, int id, bool show)
{
    if (QWidget* control = form.Control(id)) control->setVisible(show);
}

void Hide(CDialogForm& form, std::initializer_list<int> ids)
{
    for (int id : ids) Show(form, id, false);
}

void HideRange(CDialogForm& form, int first, int last)
{
    for (int id = first; id <= last; ++id) Show(form, id, false);
}

void FixedSteps(int page, CDialogForm& form)
{
    switch (page) {
        case kPageAnalog:
            Hide(form, {1595, 1108});
            break;
        case kPageDigital:
            Hide(form, {1596, 1108});
            break;
        case kPageSerial:
            Hide(form, {1597, 1108});
            break;
        case kPageInternal:
            HideRange(form, 1604, 1613);
            Hide(form, {1592, 1593, 1585, 1587, 1589, 1591, 1583, 1586, 1588, 1590});
            HideRange(form, 1393, 1397);
            HideRange(form, 1076, 1080);
            Hide(form, {1380, 1061, 1386, 1069, 1387, 1070, 1388, 1071, 1389, 1072});
            Hide(form, {1594, 1110});
            break;
        case kPageOutput:
            Hide(form, {1598, 1115, 1603});
            break;
        case kPageSystem:
            Hide(form, {1599, 1108});
            HideRange(form, 1614, 1618);
            Hide(form, {1074, 1076, 1077, 1075});
            if (QWidget* size = form.Control(1535)) {
                size->setEnabled(false);
                size->setVisible(true);
            }
            break;
        case kPageModem:
            Hide(form, {1600, 1108});
            break;
        case kPageLive:
            Hide(form, {1549});
            break;
        default:
            break;
    }
}

}  // namespace

std::span<const CVariantEntry> VariantTable(int page)
{
    switch (page) {
        case kPageAnalog:
            return kAnalogTable;
        case kPageDigital:
            return kDigitalTable;
        case kPageInternal:
            return kInternalTable;
        case kPageOutput:
            return kOutputTable;
        case kPageSystem:
            return kSystemTable;
        default:
            return {};
    }
}

void LayOutForVariant(int page, CDialogForm& form, int variant)
{
    Show(form, kIdLogo, true);
    FixedSteps(page, form);
    for (const CVariantEntry& entry : VariantTable(page)) {
        QWidget* control = form.Control(entry.m_nControl);
        if (control == nullptr) continue;
        const bool on = (entry.m_nVariants >> (variant - 1) & 1) != 0;
        const CTreatment treatment = TreatmentFor(page, entry.m_nKind);
        if (treatment.m_bShow) control->setVisible(on);
        if (treatment.m_bEnable) control->setEnabled(on);
    }
    if (page == kPageSystem) Hide(form, {1535, 1584});
}

}  // namespace fennmere
