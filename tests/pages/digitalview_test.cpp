// The Digital page: the sensor lists, the TYPE a chosen sensor sets, the
// exchange of every row with the configuration, and the example sensor file.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

#include "app/mainfrm.h"
#include "pages/analogview.h"
#include "pages/digitalview.h"
#include "pages/resourceids.h"
#include "sensorfileapp.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

const CDigitalView::CRowIds& Row(int channel)
{
    return CDigitalView::RowIds()[channel - 1];
}

CComboList* List(CSensorFileApp& app, int id)
{
    return app.Control<CComboList>(kPageDigital, id);
}

void Store(CSensorFileApp& app)
{
    QVERIFY(app.Page(kPageDigital)->UpdateData(true));
}

}  // namespace

class CDigitalViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void ListsOfferEachAllowedDigitalSensorOnceAfterEveryNew()
    {
        CSensorFileApp app({"Rain gauge;digital;count;0;0.2;0;0;1,2", "PT100;analog;bipolar;2500mV;no;no;0;1;0;0;1,2",
                            "Anemometer;digital;freq;0;0.098;0;0;2,8"});
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(List(app, Row(1).m_nSensor)->Items(), QStringList({"Rain gauge"}));
            QCOMPARE(List(app, Row(2).m_nSensor)->Items(), QStringList({"Rain gauge", "Anemometer"}));
            QCOMPARE(List(app, Row(3).m_nSensor)->Items(), QStringList());
            QVERIFY(app.App().OnFileNew());
            ProcessPostedEvents();
        }
    }

    void ChoosingASensorSetsTypeAndTicksMeasure_data()
    {
        QTest::addColumn<QString>("evaluation");
        QTest::addColumn<QString>("type");
        // The row starts at TIME.
        // clang-format off
        QTest::newRow("count") << "count" << "COUNT";
        QTest::newRow("freq") << "freq" << "FREQ";
        QTest::newRow("capitals") << "COUNT" << "TIME";
        QTest::newRow("unknown word") << "pulse" << "TIME";
        // clang-format on
    }
    void ChoosingASensorSetsTypeAndTicksMeasure()
    {
        QFETCH(QString, evaluation);
        QFETCH(QString, type);
        // The same name first for an analog sensor of the same channel.
        CSensorFileApp app(QStringList{"Meter;analog;unipolar;1250mV;yes;no;0;1;0;0;4",
                                       QStringLiteral("Meter;digital;%1;0;1;0;0;4").arg(evaluation)});
        List(app, Row(4).m_nType)->SetCurSel(2);
        QVERIFY(Choose(*List(app, Row(4).m_nSensor), "Meter"));
        Store(app);
        const CDigitalChannel& stored = app.Config().m_digital[3];
        QCOMPARE(stored.m_nMeasure, 1);
        QCOMPARE(stored.m_strSensor, CText(L"Meter"));
        QCOMPARE(QString::fromStdWString(stored.m_strType), type);
    }

    void LoadingAndStoringChangesNoValueAndTypedTextIsKept()
    {
        CSensorFileApp app({"Rain gauge;digital;count;0;0.2;0;0;1,2"});
        for (int k = 0; k < kDigitalChannels; ++k) {
            app.Config().m_digital[k] = {k % 2, k % 3 == 0 ? L"COUNT" : L"time",
                                         k % 2 == 0 ? L"Rain gauge" : L"Other " + std::to_wstring(k),
                                         L"P" + std::to_wstring(k + 2), L"O" + std::to_wstring(k + 11)};
        }
        const CConfiguration before = app.Config();
        app.Page(kPageDigital)->UpdateData(false);
        Store(app);
        QVERIFY(app.Config() == before);

        List(app, Row(1).m_nType)->setEditText("PULSE");
        List(app, Row(1).m_nSensor)->lineEdit()->clear();
        QTest::keyClicks(List(app, Row(1).m_nSensor)->lineEdit(), "Rain gauge");
        Store(app);
        QCOMPARE(app.Config().m_digital[0].m_strType, CText(L"PULSE"));
        QCOMPARE(app.Config().m_digital[0].m_strSensor, CText(L"Rain gauge"));
        QCOMPARE(app.Config().m_digital[0].m_nMeasure, 0);
    }

    void TheExampleSensorFileOffersAnalogAndDigitalSensors()
    {
        QFile example(QFINDTESTDATA("../../resources/sensor.ini"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        CSensorFileApp app(QString::fromLatin1(example.readAll()).split('\n'));
        int analog = 0;
        int digital = 0;
        for (const CSensorDefinition& entry : app.Config().m_sensorDef) {
            if (entry.m_strName.empty()) break;
            // A misspelt type or an empty channel list would hide the sensor.
            const QString name = QString::fromStdWString(entry.m_strName);
            QVERIFY2(entry.m_strType == L"analog" || entry.m_strType == L"digital", qPrintable(name));
            QVERIFY2(std::count(entry.m_nChannel.begin(), entry.m_nChannel.end(), 1) > 0, qPrintable(name));
            ++(entry.m_strType == L"analog" ? analog : digital);
        }
        QVERIFY(analog >= 2 && digital >= 2);
        for (int channel : {1, 9, 20}) {
            const int id = CAnalogView::RowIds()[channel - 1].m_nSensor;
            QVERIFY(!app.Control<CComboList>(kPageAnalog, id)->Items().isEmpty());
        }
        QVERIFY(!List(app, Row(8).m_nSensor)->Items().isEmpty());
    }
};

QTEST_MAIN(CDigitalViewTest)
#include "digitalview_test.moc"
