// The Internal page: which rows the operator sees, what each row shows and
// which of its input lists are bound to the configuration.
#include <QLineEdit>
#include <QtTest>

#include <map>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/internalview.h"
#include "pages/resourceids.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

const CInternalView::CRowIds& Row(int channel)
{
    return CInternalView::RowIds()[channel - 1];
}

CComboList* List(CTestApp& app, int id)
{
    return app.Page(kPageInternal)->ControlAs<CComboList>(id);
}

QLineEdit* Edit(CTestApp& app, int id)
{
    return app.Page(kPageInternal)->ControlAs<QLineEdit>(id);
}

// Every control of a row: label, channel name, both lists, OUTPUT and POLY.
struct CRowControls {
    int m_nLabel, m_nName, m_nInput1, m_nInput2;
};

// Rows whose label and channel name carry numbers of their own.
const std::map<int, CRowControls> kNumberedRows{
    {2, {1604, 1609, 1010, 1011}},  {8, {1605, 1610, 1052, 1053}},  {9, {1606, 1611, 1059, 1060}},
    {10, {1607, 1612, 1066, 1067}}, {11, {1608, 1613, 1108, 1109}}, {15, {1592, 1591, 1124, 1125}},
    {16, {1593, 1583, 1131, 1132}}, {17, {1585, 1586, 1133, 1134}}, {18, {1587, 1588, 1135, 1136}},
    {19, {1589, 1590, 1137, 1138}},
};

}  // namespace

class CInternalViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void OnlyTheRowsOfThisVariantAreShown()
    {
        CTestApp app;
        app.Frame().ShowPage(kPageInternal);
        CPageView* page = app.Page(kPageInternal);
        for (const auto& [channel, ids] : kNumberedRows) {
            for (int id : {ids.m_nLabel, ids.m_nName, ids.m_nInput1, ids.m_nInput2, Row(channel).m_nOutput,
                           Row(channel).m_nPoly}) {
                QVERIFY2(page->Control(id)->isHidden(), qPrintable(QStringLiteral("IIN%1: %2").arg(channel).arg(id)));
            }
        }
        for (int channel : {1, 3, 4, 5, 6, 7, 12, 13, 14}) {
            QVERIFY(!page->Control(Row(channel).m_nOutput)->isHidden());
            QVERIFY(!page->Control(Row(channel).m_nPoly)->isHidden());
            QVERIFY(!page->Control(Row(channel).m_nOutput)->isEnabled());
            QVERIFY(!page->Control(Row(channel).m_nPoly)->isEnabled());
        }
        // The only lists the operator can use.
        const QList<int> editable{1115, 1116, 1122, 1129};
        for (QWidget* list : page->Form().findChildren<CComboList*>()) {
            const int id = CDialogForm::ControlNumber(list);
            if (id == kIdPortList || id == kIdBaudList) continue;
            if (id == 1110) continue;  // the device list, hidden by the page's own steps
            const bool usable = editable.contains(id);
            QVERIFY2(list->isHidden() != usable, qPrintable(QString::number(id)));
            QCOMPARE(list->isEnabled(), usable);
        }
    }

    void RowsShowTheOutputAndPolynomialOfTheirOwnChannel()
    {
        CTestApp app;
        for (int k = 0; k < kInternalChannelsUsed; ++k) {
            app.Config().m_internal[k].m_strOutput = L"O" + std::to_wstring(k + 1);
            app.Config().m_internal[k].m_strPoly = L"P" + std::to_wstring(k + 11);
        }
        app.Frame().ShowPage(kPageInternal);
        for (int channel = 1; channel <= kInternalChannelsUsed; ++channel) {
            QCOMPARE(Edit(app, Row(channel).m_nOutput)->text(), QStringLiteral("O%1").arg(channel));
            QCOMPARE(Edit(app, Row(channel).m_nPoly)->text(), QStringLiteral("P%1").arg(channel + 10));
        }
    }

    void ComputedChannelsOfferNoInputOrAnyOutput()
    {
        CTestApp app;
        QStringList outputs{"0"};
        for (int n = 1; n <= 32; ++n) outputs << QStringLiteral("O%1").arg(n);
        for (int id : {1115, 1116, 1122, 1129, 1124, 1125, 1131, 1132, 1133, 1134, 1135, 1136, 1137, 1138}) {
            QCOMPARE(List(app, id)->Items(), outputs);
        }
        QVERIFY(List(app, 1123)->Items().isEmpty());
        QVERIFY(List(app, 1130)->Items().isEmpty());
    }

    void ChosenInputsAreStoredAndUnlistedOnesKept()
    {
        CTestApp app;
        app.Config().m_internal[12].m_strInput1 = L"O40";  // IIN13, not offered
        app.Config().m_internal[12].m_strInput2 = L"O7";
        app.Config().m_internal[13].m_strInput2 = L"O8";
        app.Config().m_internal[15].m_strInput2 = L"O9";  // IIN16, hidden in this variant
        app.Frame().ShowPage(kPageInternal);
        QCOMPARE(List(app, Row(13).m_nInput1)->EditText(), QStringLiteral("O40"));

        List(app, Row(12).m_nInput1)->SetCurSel(5);
        List(app, Row(12).m_nInput2)->SetCurSel(32);
        List(app, Row(14).m_nInput1)->setEditText("O3");
        // Lists that feed nothing: whatever they hold never reaches the configuration.
        List(app, 1123)->setEditText("O1");
        List(app, 1130)->setEditText("O1");
        List(app, 1052)->setEditText("O1");
        app.Frame().ShowPage(kPageSystem);

        const auto& internal = app.Config().m_internal;
        QCOMPARE(internal[11].m_strInput1, CText(L"O5"));
        QCOMPARE(internal[11].m_strInput2, CText(L"O32"));
        QCOMPARE(internal[12].m_strInput1, CText(L"O40"));
        QCOMPARE(internal[12].m_strInput2, CText(L"O7"));
        QCOMPARE(internal[13].m_strInput1, CText(L"O3"));
        QCOMPARE(internal[13].m_strInput2, CText(L"O8"));
        QCOMPARE(internal[15].m_strInput2, CText(L"O9"));
        QCOMPARE(internal[7].m_strInput1, CText(L"0"));
    }

    void ThePageFollowsTheConfigurationAtEveryUpdate()
    {
        CTestApp app;
        app.Frame().ShowPage(kPageInternal);
        app.Config().m_internal[2].m_strOutput = L"O17";
        app.Config().m_internal[11].m_strInput1 = L"O2";
        app.Doc().PostFrameMessage(kRefreshMessage);
        ProcessPostedEvents();
        QCOMPARE(Edit(app, Row(3).m_nOutput)->text(), QStringLiteral("O17"));
        QCOMPARE(List(app, Row(12).m_nInput1)->EditText(), QStringLiteral("O2"));
    }
};

QTEST_MAIN(CInternalViewTest)
#include "internalview_test.moc"
