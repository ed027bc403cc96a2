// The Output page: the INPUT lists and how they are rebuilt, the rules that
// link channels to outputs and pass polynomials on, the coefficient block,
// what every row exchanges, and what the variant and the page size leave the
// operator.
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/outputview.h"
#include "pages/resourceids.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

const QStringList kInternalChoices{"0",     "I1_V3V", "I3_VPOWER", "I4_VOUT",   "I5_VMAIN",
                                   "I6_PA", "I7_GSM", "I12_A-B",   "I13_IIN13", "I14_IIN14"};

const COutputView::CRowIds& Row(int output)
{
    return COutputView::RowIds()[output - 1];
}

CComboList* List(CTestApp& app, int id)
{
    return app.Page(kPageOutput)->ControlAs<CComboList>(id);
}

QLineEdit* Edit(CTestApp& app, int id)
{
    return app.Page(kPageOutput)->ControlAs<QLineEdit>(id);
}

QLineEdit* Coefficient(CTestApp& app, int poly, int coefficient)
{
    return Edit(app, COutputView::CoefficientId(poly - 1, coefficient));
}

void ShowOutput(CTestApp& app)
{
    app.Frame().ShowPage(kPageOutput);
}

// Stores the Output page by switching away from it.
void LeaveOutput(CTestApp& app)
{
    app.Frame().ShowPage(kPageModem);
}

void Refresh(CTestApp& app)
{
    app.Doc().PostFrameMessage(kRefreshMessage);
    ProcessPostedEvents();
}

// What the operator does when picking an item from a list.
void Choose(CTestApp& app, int id, const QString& item)
{
    CComboList* list = List(app, id);
    const int index = list->Items().indexOf(item);
    QVERIFY2(index >= 0, qPrintable(item));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// Puts a channel on an output with a polynomial.
template <class Channel>
void Link(Channel& channel, const CText& output, const CText& poly)
{
    channel.m_strOutput = output;
    channel.m_strPoly = poly;
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

class COutputViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    // ---- INPUT lists --------------------------------------------------------

    void InputListsOfferTheInternalChannelsByName()
    {
        CTestApp app;
        // The example sensors of a new configuration name drivers the empty
        // driver table does not know: they add nothing.
        for (int output = 1; output <= kOutputsUsed; ++output) {
            QCOMPARE(List(app, Row(output).m_nInput)->Items(), kInternalChoices);
        }
        app.Config().m_internal[2].m_strName.clear();
        app.Config().m_internal[13].m_strName = L"Flow";
        Refresh(app);
        QStringList renamed = kInternalChoices;
        renamed[2] = "I3";
        renamed[9] = "I14_Flow";
        QCOMPARE(List(app, Row(32).m_nInput)->Items(), renamed);
    }

    void DriverParametersAreListedForSensorsWhoseDriverIsInTheTable()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        const std::vector<CSerialDriver> table{{1, 1, L"SOLINST"},   {2, 0, L"Level"},    {3, 0, L"Temp"},
                                               {4, 1, L"TWICE"},     {5, 1, L"TWICE"},    {6, 0, L"Hidden"},
                                               {7, 1, L"BDSENSORS"}, {8, 0, L"Pressure"}, {0, 0, L""},
                                               {9, 1, L"LATE"},      {10, 0, L"Never"}};
        for (std::size_t i = 0; i < table.size(); ++i) config.m_driver[i + 1] = table[i];
        const CText drivers[kSerialSensorsUsed] = {L"SOLINST", L"BDSENSORS", L"NONE",  L"solinst",
                                                   L"",        L"LATE",      L"TWICE", L"SOLINST"};
        for (int m = 0; m < kSerialSensorsUsed; ++m) config.m_serial[m].m_strDriver = drivers[m];
        Refresh(app);
        // A driver right after another without parameters is passed over
        // with the entry that ended the list; nothing after the first
        // unnumbered entry is read.
        const QStringList expected =
            kInternalChoices + QStringList{"S1_Level", "S1_Temp", "S2_Pressure", "S8_Level", "S8_Temp"};
        QCOMPARE(List(app, Row(5).m_nInput)->Items(), expected);
    }

    void DriverParametersRunningToTheEndOfTheTableAreListed()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_driver[253] = {253, 1, L"LAST"};
        for (int k = 1; k < kSerialDrivers; ++k) {
            if (k != 253) config.m_driver[k] = {k, 0, L"P" + std::to_wstring(k)};
        }
        config.m_serial[0].m_strDriver = L"LAST";
        config.m_serial[1].m_strDriver = L"NONE";
        Refresh(app);
        const QStringList expected = kInternalChoices + QStringList{"S1_P254", "S1_P255"};
        QCOMPARE(List(app, Row(1).m_nInput)->Items(), expected);
    }

    void TheStoredInputChoosesTheItemItBegins_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("exact") << "I6_PA"
                               << "I6_PA";
        QTest::newRow("prefix, other case") << "i13"
                                            << "I13_IIN13";
        QTest::newRow("I1 comes before I12") << "I1"
                                             << "I1_V3V";
        QTest::newRow("the first item last") << "0"
                                             << "0";
        QTest::newRow("serial parameter") << "s1_lev"
                                          << "S1_Level";
        QTest::newRow("no match") << "S4_Gone"
                                  << "0";
        QTest::newRow("empty") << ""
                               << "0";
    }
    void TheStoredInputChoosesTheItemItBegins()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        CTestApp app;
        app.Config().m_driver[1] = {1, 1, L"SOLINST"};
        app.Config().m_driver[2] = {2, 0, L"Level"};
        ShowOutput(app);
        app.Config().m_output[9].m_strInput = stored.toStdWString();
        // A refresh loads the page on display before the lists are rebuilt,
        // so the rebuild decides what the row shows.
        Refresh(app);
        CComboList* list = List(app, Row(10).m_nInput);
        QCOMPARE(list->EditText(), shown);
        QCOMPARE(list->Items().value(list->GetCurSel()), shown);
    }

    // ---- Link and polynomial rules ------------------------------------------

    void ChoosingAnInternalChannelLinksItWithTheRowsPolynomial()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_output[1].m_strPoly = L"P3";
        Link(config.m_analog[2], L"O2", L"P7");
        Link(config.m_digital[0], L"O2", L"P8");
        config.m_internal[6].m_strOutput = L"O2";
        config.m_internal[6].m_strPoly = L"P4";
        config.m_internal[11].m_strOutput = L"O3";
        config.m_internal[11].m_strPoly = L"P6";
        ShowOutput(app);
        Choose(app, Row(2).m_nInput, "I5_VMAIN");

        QCOMPARE(config.m_internal[4].m_strOutput, CText(L"O2"));
        QCOMPARE(config.m_internal[4].m_strPoly, CText(L"P3"));
        // Whatever was linked to O2 before is unlinked; analog and digital
        // channels take the row's polynomial, internal ones keep theirs.
        QCOMPARE(config.m_analog[2].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_analog[2].m_strPoly, CText(L"P3"));
        QCOMPARE(config.m_digital[0].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_digital[0].m_strPoly, CText(L"P3"));
        QCOMPARE(config.m_internal[6].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_internal[6].m_strPoly, CText(L"P4"));
        QCOMPARE(config.m_internal[11].m_strOutput, CText(L"O3"));
        QCOMPARE(config.m_internal[11].m_strPoly, CText(L"P6"));
        // The row itself changes when the page is stored.
        QCOMPARE(config.m_output[1].m_strInput, CText(L"0"));
        LeaveOutput(app);
        QCOMPARE(config.m_output[1].m_strInput, CText(L"I5_VMAIN"));
        QCOMPARE(config.m_output[1].m_strPoly, CText(L"P3"));
    }

    void MovingAChannelToAnotherRowLeavesNothingLinkedToTheFirst()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        ShowOutput(app);
        Choose(app, Row(2).m_nInput, "I5_VMAIN");
        Choose(app, Row(4).m_nInput, "I5_VMAIN");
        QCOMPARE(config.m_internal[4].m_strOutput, CText(L"O4"));
        for (const CInternalChannel& channel : config.m_internal) QVERIFY(channel.m_strOutput != L"O2");
        LeaveOutput(app);
        QCOMPARE(config.m_output[1].m_strInput, CText(L"I5_VMAIN"));
        QCOMPARE(config.m_output[3].m_strInput, CText(L"I5_VMAIN"));
    }

    void ChoosingNoInputUnlinksEveryChannelAndResetsItsPolynomial()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        Link(config.m_analog[0], L"O1", L"P5");
        Link(config.m_digital[1], L"O1", L"P5");
        config.m_internal[11].m_strOutput = L"O1";
        config.m_internal[11].m_strPoly = L"P5";
        config.m_internal[12].m_strOutput = L"O12";
        config.m_internal[12].m_strPoly = L"P5";
        config.m_output[0].m_strInput = L"I12_A-B";
        ShowOutput(app);
        Choose(app, Row(1).m_nInput, "0");
        QCOMPARE(config.m_analog[0].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_digital[1].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_internal[11].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_analog[0].m_strPoly, CText(L"P1"));
        QCOMPARE(config.m_digital[1].m_strPoly, CText(L"P1"));
        QCOMPARE(config.m_internal[11].m_strPoly, CText(L"P1"));
        // Only the row's own tag counts, not one it begins.
        QCOMPARE(config.m_internal[12].m_strOutput, CText(L"O12"));
        QCOMPARE(config.m_internal[12].m_strPoly, CText(L"P5"));
    }

    void ASerialSensorEntryLeavesTheRowsLinks()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_driver[1] = {1, 1, L"SOLINST"};
        config.m_driver[2] = {2, 0, L"Level"};
        config.m_internal[2].m_strOutput = L"O1";
        config.m_internal[2].m_strPoly = L"P2";
        Link(config.m_analog[4], L"O1", L"P9");
        ShowOutput(app);
        Choose(app, Row(1).m_nInput, "S1_Level");
        QCOMPARE(config.m_internal[2].m_strOutput, CText(L"O1"));
        QCOMPARE(config.m_internal[2].m_strPoly, CText(L"P2"));
        QCOMPARE(config.m_analog[4].m_strOutput, CText(L"O1"));
        QCOMPARE(config.m_analog[4].m_strPoly, CText(L"P9"));
    }

    void ChangingThePolynomialPassesItToTheLinkedChannelsAtOnce()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_internal[6].m_strOutput = L"O7";
        Link(config.m_analog[1], L"O7", L"P1");
        config.m_internal[3].m_strOutput = L"O8";
        config.m_internal[3].m_strPoly = L"P2";
        ShowOutput(app);
        Choose(app, Row(7).m_nPoly, "P9");
        QCOMPARE(config.m_internal[6].m_strPoly, CText(L"P9"));
        QCOMPARE(config.m_analog[1].m_strPoly, CText(L"P9"));
        QCOMPARE(config.m_internal[3].m_strPoly, CText(L"P2"));
        QCOMPARE(config.m_output[6].m_strPoly, CText(L"P1"));
        // A channel chosen afterwards takes the polynomial the row shows.
        Choose(app, Row(7).m_nInput, "I13_IIN13");
        QCOMPARE(config.m_internal[12].m_strPoly, CText(L"P9"));
        LeaveOutput(app);
        QCOMPARE(config.m_output[6].m_strPoly, CText(L"P9"));
    }

    void RebuildingAndLoadingTheListsRunsNoRule()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_output[0].m_strInput = L"I5_VMAIN";
        config.m_output[0].m_strPoly = L"P4";
        ShowOutput(app);
        Refresh(app);
        QCOMPARE(config.m_internal[4].m_strOutput, CText(L"O0"));
        QCOMPARE(config.m_internal[4].m_strPoly, CText(L"P1"));
    }

    // ---- Coefficients ---------------------------------------------------------

    void CoefficientsReadBackUnchanged_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("seven digits") << 1234567.0f << "1234567";
        QTest::newRow("tenth") << 0.1f << "0.1";
        QTest::newRow("small") << 1e-7f << "1e-07";
        QTest::newRow("negative") << -3.25f << "-3.25";
        QTest::newRow("eight digits") << 0.12345678f << "0.12345678";
        QTest::newRow("largest") << std::numeric_limits<float>::max() << "3.4028235e+38";
        QTest::newRow("smallest") << std::numeric_limits<float>::denorm_min() << "1e-45";
    }
    void CoefficientsReadBackUnchanged()
    {
        QFETCH(float, value);
        QFETCH(QString, shown);
        CTestApp app;
        app.Config().m_poly[11].m_fA[2] = value;
        for (int visit = 0; visit < 2; ++visit) {
            ShowOutput(app);
            QCOMPARE(Coefficient(app, 12, 2)->text(), shown);
            LeaveOutput(app);
            QVERIFY(SameBits(app.Config().m_poly[11].m_fA[2], value));
        }
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void ACoefficientIsReadFromTheStartOfItsText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<float>("stored");
        QTest::newRow("blanks before") << " \t2.5" << 2.5f;
        QTest::newRow("unit after") << "2.5 mV" << 2.5f;
        QTest::newRow("exponent") << "-1e3x" << -1000.0f;
        QTest::newRow("plus, no leading digit") << "+.5" << 0.5f;
        QTest::newRow("comma after a number") << "1, 5" << 1.0f;
    }
    void ACoefficientIsReadFromTheStartOfItsText()
    {
        QFETCH(QString, typed);
        QFETCH(float, stored);
        CTestApp app;
        ShowOutput(app);
        Coefficient(app, 16, 3)->setText(typed);
        LeaveOutput(app);
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_poly[15].m_fA[3], stored);
    }

    void ARefusedCoefficientStopsTheStoreThere_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("sign alone") << "- 1";
        QTest::newRow("point alone") << ".e5";
        QTest::newRow("infinity") << "inf";
        QTest::newRow("beyond a float") << "1e39";
        QTest::newRow("decimal comma") << "1,5";
    }
    void ARefusedCoefficientStopsTheStoreThere()
    {
        QFETCH(QString, typed);
        CTestApp app({3});
        CConfiguration& config = app.Config();
        config.m_poly[1].m_fA[1] = 4.0f;
        ShowOutput(app);
        Coefficient(app, 1, 0)->setText("7");
        Coefficient(app, 2, 1)->setText(typed);
        Coefficient(app, 3, 0)->setText("9");
        Edit(app, Row(1).m_nAlias)->setText("late");
        List(app, kIdPortList)->setEditText("COM9");
        LeaveOutput(app);

        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, QStringLiteral("Enter a number."));
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageModem);
        // Exchanged before the refused field: stored. From it on: as before.
        QCOMPARE(config.m_poly[0].m_fA[0], 7.0f);
        QCOMPARE(config.m_poly[1].m_fA[1], 4.0f);
        QCOMPARE(config.m_poly[2].m_fA[0], 0.0f);
        QCOMPARE(config.m_output[0].m_strAlias, CText(L""));
        QCOMPARE(config.m_panel.m_strComPort, CText(L"COM3"));
    }

    void ACoefficientNoTextCanStandForIsKeptUntilTypedOver()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        config.m_poly[3].m_fA[3] = std::numeric_limits<float>::infinity();
        config.m_poly[4].m_fA[0] = std::numeric_limits<float>::quiet_NaN();
        ShowOutput(app);
        Edit(app, Row(1).m_nAlias)->setText("stored");
        LeaveOutput(app);
        QVERIFY(app.m_boxes.m_shown.empty());
        QVERIFY(std::isinf(config.m_poly[3].m_fA[3]));
        QVERIFY(std::isnan(config.m_poly[4].m_fA[0]));
        QCOMPARE(config.m_output[0].m_strAlias, CText(L"stored"));

        ShowOutput(app);
        Coefficient(app, 4, 3)->setText("2");
        LeaveOutput(app);
        QCOMPARE(config.m_poly[3].m_fA[3], 2.0f);
    }

    // ---- Rows, variant, page size -------------------------------------------

    void EveryRowExchangesItsOwnControls()
    {
        CTestApp app;
        CConfiguration& config = app.Config();
        for (int n = 1; n <= kOutputsUsed; ++n) {
            COutput& output = config.m_output[n - 1];
            output = {.m_strInput = L"X" + std::to_wstring(n),
                      .m_nMin = n % 2,
                      .m_nMax = n % 3 == 0,
                      .m_nStdev = n % 5 == 0,
                      .m_nVector = n % 7 == 0,
                      .m_strPoly = PolyTag(n % 16 + 1),
                      .m_strAlias = L"alias" + std::to_wstring(n)};
        }
        ShowOutput(app);
        for (int n = 1; n <= kOutputsUsed; ++n) {
            const COutput& output = config.m_output[n - 1];
            const COutputView::CRowIds& ids = Row(n);
            CPageView* page = app.Page(kPageOutput);
            QCOMPARE(List(app, ids.m_nInput)->EditText().toStdWString(), output.m_strInput);
            QCOMPARE(page->ControlAs<QCheckBox>(ids.m_nMin)->isChecked(), output.m_nMin != 0);
            QCOMPARE(page->ControlAs<QCheckBox>(ids.m_nMax)->isChecked(), output.m_nMax != 0);
            QCOMPARE(page->ControlAs<QCheckBox>(ids.m_nStdev)->isChecked(), output.m_nStdev != 0);
            QCOMPARE(page->ControlAs<QCheckBox>(ids.m_nVector)->isChecked(), output.m_nVector != 0);
            QCOMPARE(List(app, ids.m_nPoly)->EditText().toStdWString(), output.m_strPoly);
            QCOMPARE(Edit(app, ids.m_nAlias)->text().toStdWString(), output.m_strAlias);
            page->ControlAs<QCheckBox>(ids.m_nMin)->toggle();
            Edit(app, ids.m_nAlias)->setText(QStringLiteral(" Out %1 ").arg(n));
        }
        LeaveOutput(app);
        for (int n = 1; n <= kOutputsUsed; ++n) {
            const COutput& output = config.m_output[n - 1];
            QCOMPARE(output.m_strInput, L"X" + std::to_wstring(n));
            QCOMPARE(output.m_nMin, 1 - n % 2);
            QCOMPARE(output.m_nVector, n % 7 == 0 ? 1 : 0);
            QCOMPARE(output.m_strAlias, L" Out " + std::to_wstring(n) + L" ");
        }
    }

    void TheVectColumnAndTheDeviceListAreHidden()
    {
        CTestApp app;
        ShowOutput(app);
        CPageView* page = app.Page(kPageOutput);
        for (int id : {1603, 1598, 1115}) QVERIFY2(page->Control(id)->isHidden(), qPrintable(QString::number(id)));
        QVERIFY(!page->Control(kIdLogo)->isHidden());
        for (const COutputView::CRowIds& ids : COutputView::RowIds()) {
            QVERIFY(page->Control(ids.m_nVector)->isHidden());
            QVERIFY(!page->Control(ids.m_nVector)->isEnabled());
            for (int id : {ids.m_nInput, ids.m_nMin, ids.m_nMax, ids.m_nStdev, ids.m_nPoly, ids.m_nAlias}) {
                QVERIFY(!page->Control(id)->isHidden());
                QVERIFY(page->Control(id)->isEnabled());
            }
        }
    }

    void ThePageScrollsToItsLastRow()
    {
        CTestApp app;
        app.App().ShowMainWindow();
        app.Frame().resize(1024, 600);
        ShowOutput(app);
        QCoreApplication::processEvents();
        CPageView* page = app.Page(kPageOutput);
        QVERIFY(page->verticalScrollBar()->maximum() > 0);
        QWidget* last = page->Control(Row(32).m_nAlias);
        QVERIFY(last->geometry().bottom() < page->Form().height());
        page->ensureWidgetVisible(last);
        QVERIFY(page->verticalScrollBar()->value() > 0);
    }
};

QTEST_MAIN(COutputViewTest)
#include "outputview_test.moc"
