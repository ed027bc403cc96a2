// The Analog page: the sensor lists, the rules a chosen sensor applies to its
// row, and the exchange of every row with the configuration.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

#include "app/mainfrm.h"
#include "config/configwriter.h"
#include "pages/analogview.h"
#include "pages/resourceids.h"
#include "sensorfileapp.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

const CAnalogView::CRowIds& Row(int channel)
{
    return CAnalogView::RowIds()[channel - 1];
}

CComboList* List(CSensorFileApp& app, int id)
{
    return app.Control<CComboList>(kPageAnalog, id);
}

void Store(CSensorFileApp& app)
{
    QVERIFY(app.Page(kPageAnalog)->UpdateData(true));
}

const QStringList kMixedFile{
    "# name;type;polarity;range;ratio;vector;A0;A1;A2;A3;channels",
    "PT100 probe;analog;bipolar;2500mV;no;no;-50;0.05;0;0;1,2,3,9",
    "Rain gauge;digital;count;0;0.2;0;0;1,9",
    "Level;analog;unipolar;1250mV;yes;no;0;1;0;0;9,10",
    "Spare;analog;unipolar;1250mV;yes;no;0;1;0;0;",
    "Camera;video;x;y;z;0;0;0;0;1,9",
    "PT100 probe;analog;unipolar;19mV;yes;no;0;1;0;0;9,20",
};

}  // namespace

class CAnalogViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void ListsOfferEachAllowedAnalogSensorOnceAfterEveryNewAndOpen()
    {
        CSensorFileApp app(kMixedFile);
        QTemporaryDir folder;
        const QString setup = folder.filePath("setup.txt");
        QFile file(setup);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(WriteSetupFile(MakeNewConfiguration())));
        file.close();
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(List(app, Row(1).m_nSensor)->Items(), QStringList({"PT100 probe"}));
            QCOMPARE(List(app, Row(4).m_nSensor)->Items(), QStringList());
            QCOMPARE(List(app, Row(9).m_nSensor)->Items(), QStringList({"PT100 probe", "Level"}));
            QCOMPARE(List(app, Row(10).m_nSensor)->Items(), QStringList({"Level"}));
            QCOMPARE(List(app, Row(20).m_nSensor)->Items(), QStringList({"PT100 probe"}));
            if (round == 0) QVERIFY(app.App().OnFileNew());
            if (round == 1) QVERIFY(app.App().OpenDocumentFile(setup));
            ProcessPostedEvents();
        }
    }

    void TheConfiguredSensorSurvivesTheListFillingAndStartUp()
    {
        // As at start-up: the page on display gets its initial update and is
        // stored when the frame leaves it for the Serial page.
        CSensorFileApp app(kMixedFile);
        app.Frame().ShowPage(kPageAnalog);
        app.Config().m_analog[8].m_strSensor = L"Level";
        app.Config().m_analog[9].m_strSensor = L"Not in the file";
        app.Frame().InitialUpdateFrame();
        ProcessPostedEvents();
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageSerial);
        QCOMPARE(List(app, Row(10).m_nSensor)->EditText(), QStringLiteral("Not in the file"));
        QCOMPARE(app.Config().m_analog[8].m_strSensor, CText(L"Level"));
        QCOMPARE(app.Config().m_analog[9].m_strSensor, CText(L"Not in the file"));
    }

    void ChoosingASensorSetsPolarityRangeAndRatio_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("polarity");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("ratio");
        // The row starts at UNIP, 156 and RATIO ticked, so every change shows.
        // clang-format off
        QTest::newRow("unipolar") << "unipolar;2500mV;yes" << "UNIP" << "2500" << 1;
        QTest::newRow("bipolar") << "bipolar;1250mV;no" << "BIP" << "1250" << 0;
        QTest::newRow("capitals") << "Unipolar;78mV;Yes" << "BIP" << "78" << 0;
        QTest::newRow("635mV") << "unipolar;635mV;yes" << "UNIP" << "625" << 1;
        QTest::newRow("625mV") << "unipolar;625mV;yes" << "UNIP" << "625" << 1;
        QTest::newRow("19mV") << "unipolar;19mV;yes" << "UNIP" << "19" << 1;
        QTest::newRow("no unit") << "unipolar;2500;yes" << "UNIP" << "156" << 1;
        QTest::newRow("not offered") << ";5000mV;yes" << "BIP" << "156" << 1;
        // clang-format on
    }
    void ChoosingASensorSetsPolarityRangeAndRatio()
    {
        QFETCH(QString, line);
        QFETCH(QString, polarity);
        QFETCH(QString, range);
        QFETCH(int, ratio);
        CSensorFileApp app(QStringList{QStringLiteral("Probe;analog;%1;yes;0;1;0;0;14").arg(line)});
        List(app, Row(14).m_nPolarity)->SetCurSel(1);
        List(app, Row(14).m_nRange)->SetCurSel(4);
        app.Control<QCheckBox>(kPageAnalog, Row(14).m_nRatio)->setChecked(true);

        QVERIFY(Choose(*List(app, Row(14).m_nSensor), "Probe"));
        Store(app);
        const CAnalogChannel& stored = app.Config().m_analog[13];
        QCOMPARE(stored.m_nMeasure, 1);
        QCOMPARE(stored.m_strSensor, CText(L"Probe"));
        QCOMPARE(QString::fromStdWString(stored.m_strPolarity), polarity);
        QCOMPARE(QString::fromStdWString(stored.m_strRange), range);
        QCOMPARE(stored.m_nRatio, ratio);
        QCOMPARE(stored.m_nVector, 0);
    }

    void ChoosingASensorOnAin1ToAin8SetsOnlyMeasureAndVect()
    {
        CSensorFileApp app(
            {"Wind;analog;unipolar;625mV;yes;yes;0;1;0;0;3,5", "Gust;analog;unipolar;625mV;yes;no;0;1;0;0;5"});
        CAnalogChannel want = app.Config().m_analog[2];
        want.m_nMeasure = 1;
        want.m_nVector = 1;
        want.m_strSensor = L"Wind";
        QVERIFY(Choose(*List(app, Row(3).m_nSensor), "Wind"));
        app.Control<QCheckBox>(kPageAnalog, Row(5).m_nVector)->setChecked(true);
        QVERIFY(Choose(*List(app, Row(5).m_nSensor), "Gust"));
        Store(app);
        QVERIFY(app.Config().m_analog[2] == want);
        QCOMPARE(app.Config().m_analog[4].m_nVector, 0);
    }

    void ChoosingUsesTheDefinitionTheRowOffers()
    {
        // The name also stands for a digital sensor listed first and for an
        // analog sensor of another channel.
        CSensorFileApp app({"Rain;digital;count;0;0.2;0;0;1,9", "Rain;analog;bipolar;2500mV;no;no;0;1;0;0;10",
                            "Rain;analog;unipolar;1250mV;yes;no;0;1;0;0;9"});
        QVERIFY(Choose(*List(app, Row(9).m_nSensor), "Rain"));
        Store(app);
        QCOMPARE(app.Config().m_analog[8].m_strPolarity, CText(L"UNIP"));
        QCOMPARE(app.Config().m_analog[8].m_strRange, CText(L"1250"));
        QCOMPARE(app.Config().m_analog[8].m_nRatio, 1);
    }

    void TypedTextsAreStoredAsTypedAndChangeNothingElse()
    {
        CSensorFileApp app(kMixedFile);
        QLineEdit* typed = List(app, Row(9).m_nSensor)->lineEdit();
        typed->clear();
        QTest::keyClicks(typed, "Level");
        List(app, Row(9).m_nRange)->setEditText("500");
        List(app, Row(9).m_nPolarity)->setEditText("unip");
        Store(app);
        const CAnalogChannel& stored = app.Config().m_analog[8];
        QCOMPARE(stored.m_strSensor, CText(L"Level"));
        QCOMPARE(stored.m_nMeasure, 0);
        QCOMPARE(stored.m_nRatio, 0);
        QCOMPARE(stored.m_strRange, CText(L"500"));
        QCOMPARE(stored.m_strPolarity, CText(L"unip"));
    }

    void LoadingAndStoringChangesNoValue()
    {
        CSensorFileApp app(kMixedFile);
        for (int k = 0; k < kAnalogChannels; ++k) {
            CAnalogChannel& channel = app.Config().m_analog[k];
            channel = {k % 2,
                       k % 4 == 0,
                       k % 3 == 0,
                       k % 5 == 0 ? L"500" : L"39",
                       k % 2 == 0 ? L"UNIP" : L"bip",
                       k % 3 == 0 ? L"Level" : L"Other " + std::to_wstring(k),
                       L"P" + std::to_wstring(k % 16 + 1),
                       L"O" + std::to_wstring(k + 5)};
        }
        const CConfiguration before = app.Config();
        app.Page(kPageAnalog)->UpdateData(false);
        Store(app);
        QVERIFY(app.Config() == before);
        QCOMPARE(app.Control<QLineEdit>(kPageAnalog, Row(20).m_nOutput)->text(), QStringLiteral("O24"));
    }
};

QTEST_MAIN(CAnalogViewTest)
#include "analogview_test.moc"
