#include "ewsview.h"

#include "combolist.h"
#include "dataexchange.h"
#include "messageboxes.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

namespace {

// The numbers are the template's; they were laid out row by row and
// follow no formula.
// clang-format off
// INPUT, TYPE, LOGINT, MODEMINT, ALARM, UNITS, {recipients T1 to T16}
const std::array<CEwsView::CRowIds, kEarlyWarnings> kRows{{
    {1354, 1355, 1068, 1070, 1067, 1073, {1002, 1004, 1003, 1006, 1007, 1008, 1065, 1154, 1226, 1242, 1258, 1274, 1290, 1306, 1322, 1338}},  // EWS1
    {1356, 1165, 1074, 1075, 1072, 1164, {1009, 1011, 1010, 1013, 1014, 1015, 1066, 1155, 1227, 1243, 1259, 1275, 1291, 1307, 1323, 1339}},  // EWS2
    {1357, 1358, 1077, 1078, 1076, 1166, {1016, 1018, 1017, 1020, 1021, 1022, 1131, 1156, 1228, 1244, 1260, 1276, 1292, 1308, 1324, 1340}},  // EWS3
    {1359, 1167, 1080, 1081, 1079, 1211, {1023, 1025, 1024, 1027, 1028, 1029, 1135, 1157, 1229, 1245, 1261, 1277, 1293, 1309, 1325, 1341}},  // EWS4
    {1360, 1168, 1083, 1084, 1082, 1212, {1030, 1032, 1031, 1034, 1035, 1036, 1136, 1158, 1230, 1246, 1262, 1278, 1294, 1310, 1326, 1342}},  // EWS5
    {1361, 1169, 1086, 1087, 1085, 1213, {1037, 1039, 1038, 1041, 1042, 1043, 1137, 1159, 1231, 1247, 1263, 1279, 1295, 1311, 1327, 1343}},  // EWS6
    {1362, 1170, 1089, 1090, 1088, 1214, {1044, 1046, 1045, 1048, 1049, 1050, 1138, 1160, 1232, 1248, 1264, 1280, 1296, 1312, 1328, 1344}},  // EWS7
    {1363, 1364, 1092, 1093, 1091, 1215, {1051, 1053, 1052, 1055, 1056, 1057, 1142, 1161, 1233, 1249, 1265, 1281, 1297, 1313, 1329, 1345}},  // EWS8
    {1365, 1172, 1095, 1096, 1094, 1219, {1058, 1060, 1059, 1062, 1063, 1064, 1143, 1162, 1234, 1250, 1266, 1282, 1298, 1314, 1330, 1346}},  // EWS9
    {1366, 1173, 1098, 1099, 1097, 1220, {1069, 1071, 1120, 1123, 1124, 1130, 1144, 1163, 1235, 1251, 1267, 1283, 1299, 1315, 1331, 1347}},  // EWS10
    {1367, 1368, 1101, 1102, 1100, 1221, {1111, 1189, 1121, 1195, 1127, 1201, 1145, 1207, 1236, 1252, 1268, 1284, 1300, 1316, 1332, 1348}},  // EWS11
    {1369, 1370, 1104, 1543, 1544, 1545, {1118, 1190, 1122, 1196, 1128, 1202, 1149, 1208, 1237, 1253, 1269, 1285, 1301, 1317, 1333, 1349}},  // EWS12
    {1371, 1372, 1107, 1108, 1106, 1222, {1125, 1191, 1126, 1197, 1129, 1203, 1150, 1209, 1238, 1254, 1270, 1286, 1302, 1318, 1334, 1350}},  // EWS13
    {1373, 1374, 1110, 1112, 1109, 1223, {1132, 1192, 1133, 1198, 1134, 1204, 1151, 1216, 1239, 1255, 1271, 1287, 1303, 1319, 1335, 1351}},  // EWS14
    {1375, 1376, 1114, 1115, 1113, 1224, {1139, 1193, 1140, 1199, 1141, 1205, 1152, 1217, 1240, 1256, 1272, 1288, 1304, 1320, 1336, 1352}},  // EWS15
    {1377, 1378, 1117, 1119, 1116, 1379, {1146, 1194, 1147, 1200, 1148, 1206, 1153, 1218, 1241, 1257, 1273, 1289, 1305, 1321, 1337, 1353}},  // EWS16
}};
// clang-format on

const std::array<int, kSmsNumbers> kSms{1174, 1175, 1176, 1177, 1178, 1179, 1180, 1181,
                                        1182, 1183, 1184, 1185, 1186, 1187, 1188, 1225};

}  // namespace

CEwsView::CEwsView(QWidget* parent) : CConfigPageView(kPageEws, kPageTemplate[kPageEws], parent)
{
    for (int row = 0; row < kEarlyWarnings; ++row) {
        if (auto* type = ControlAs<CComboList>(kRows[row].m_nType)) {
            // activated: the operator's choice, from the list or by keys,
            // also of the item already chosen (and an item's exact text
            // typed into the field, which the list takes as choosing it).
            // Loading the page does not count.
            connect(type, &QComboBox::activated, this, [this, row] { OnTypeSelected(row); });
        }
    }
}

const std::array<CEwsView::CRowIds, kEarlyWarnings>& CEwsView::RowIds()
{
    return kRows;
}

const std::array<int, kSmsNumbers>& CEwsView::SmsIds()
{
    return kSms;
}

const QString& CEwsView::ManyMessagesText()
{
    static const QString text =
        QStringLiteral("This type of warning can produce many SMS messages.\nEvaluate other warning types.");
    return text;
}

const QString& CEwsView::ManyMessagesCaption()
{
    static const QString caption = QStringLiteral("Warning Message");
    return caption;
}

void CEwsView::OnTypeSelected(int row)
{
    if (row < 0 || row >= kEarlyWarnings) return;
    const auto* type = ControlAs<CComboList>(kRows[row].m_nType);
    if (type == nullptr || GetDocument() == nullptr) return;
    const int chosen = type->GetCurSel();
    if (chosen < 0) return;
    // Only the plain "MORE" and "LESS"; the kinds with a period (MORE10M,
    // LESS24H, ...) pass without a word.
    const QString text = type->itemText(chosen);
    if (text == QLatin1String("MORE") || text == QLatin1String("LESS")) {
        GetDocument()->MessageBoxes().Show(this, ManyMessagesText(), ManyMessagesCaption(), EMessageIcon::Error);
    }
}

void CEwsView::DoDataExchange(CDataExchange& dx)
{
    for (int row = 0; row < kEarlyWarnings; ++row) {
        const CRowIds& ids = kRows[row];
        CEarlyWarning& warning = Config().m_ews[row];
        dx.Text(ids.m_nInput, warning.m_strInput);
        dx.Text(ids.m_nType, warning.m_strType);
        dx.Text(ids.m_nLogInterval, warning.m_strLogInterval);
        dx.Text(ids.m_nModemInterval, warning.m_strModemInterval);
        dx.Text(ids.m_nAlarm, warning.m_strAlarm);
        dx.Text(ids.m_nUnits, warning.m_strUnits);
        for (int j = 0; j < kSmsNumbers; ++j) dx.Check(ids.m_nRecipient[j], warning.m_nRecipient[j]);
    }
    for (int k = 0; k < kSmsNumbers; ++k) dx.Text(kSms[k], Config().m_strSms[k]);
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
