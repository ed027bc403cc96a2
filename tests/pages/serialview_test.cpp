// The Serial page and the communication panel it shares with the other
// configuration pages: the port list, the driver lists and their rules.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/resourceids.h"
#include "pages/serialview.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

CComboList* PortList(CTestApp& app, int page)
{
    return app.Page(page)->ControlAs<CComboList>(kIdPortList);
}

CComboList* DriverList(CTestApp& app, int row)
{
    return app.Page(kPageSerial)->ControlAs<CComboList>(CSerialView::RowIds()[row].m_nDriver);
}

void SetDrivers(CConfiguration& config, const std::vector<CSerialDriver>& entries)
{
    for (std::size_t i = 0; i < entries.size(); ++i) config.m_driver[i] = entries[i];
}

void Refresh(CTestApp& app)
{
    app.Doc().PostFrameMessage(kRefreshMessage);
    ProcessPostedEvents();
}

}  // namespace

class CSerialViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void PortListIsInTextOrderWithTheFirstChosen()
    {
        CTestApp app({3, 10});
        for (int page : {kPageSerial, kPageInternal, kPageModem}) {
            QCOMPARE(PortList(app, page)->Items(), QStringList({"COM10", "COM3"}));
        }
        QCOMPARE(PortList(app, kPageSerial)->EditText(), QStringLiteral("COM10"));
        QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"COM10"));
    }

    void PortListShowsAConfiguredPortItDoesNotOffer()
    {
        CTestApp app({3, 10});
        app.Config().m_panel.m_strComPort = L"COM7";
        app.Frame().InitialUpdateFrame();
        ProcessPostedEvents();
        QCOMPARE(PortList(app, kPageSerial)->EditText(), QStringLiteral("COM7"));
        QCOMPARE(PortList(app, kPageSerial)->Items(), QStringList({"COM10", "COM3"}));
        QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"COM7"));
    }

    void PortListOffersDevicesByPathAfterTheNumberedPorts()
    {
        CTestApp app({2}, {"/dev/ttyUSB0", "/dev/serial/by-id/usb-x"});
        QCOMPARE(PortList(app, kPageSerial)->Items(), QStringList({"COM2", "/dev/ttyUSB0", "/dev/serial/by-id/usb-x"}));
    }

    void WithoutPortsTheListIsEmptyButTypable()
    {
        CTestApp app;
        CComboList* ports = PortList(app, kPageSerial);
        QCOMPARE(ports->count(), 0);
        ports->setEditText("/dev/pts/4");
        app.Frame().ShowPage(kPageSystem);
        QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"/dev/pts/4"));
    }

    void DriverListsOfferDriversUpToTheFirstUnnumberedEntry()
    {
        CTestApp app;
        SetDrivers(app.Config(), {{9, 1, L"ENTRY_ZERO"},
                                  {1, 1, L"AAA"},
                                  {2, 0, L"AAA_P"},
                                  {3, 1, L"BBB"},
                                  {0, 1, L"AFTER_END"},
                                  {5, 1, L"NEVER"}});
        Refresh(app);
        for (int row = 0; row < kSerialSensorsUsed; ++row) {
            QCOMPARE(DriverList(app, row)->Items(), QStringList({"AAA", "BBB", "NONE"}));
        }
    }

    void ADriverThatAnOfferedNameBeginsWithIsNotAdded_data()
    {
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("longer first") << QStringList{"TEMP2", "TEMP"} << QStringList{"NONE", "TEMP2"};
        QTest::newRow("shorter first") << QStringList{"TEMP", "TEMP2"} << QStringList{"NONE", "TEMP", "TEMP2"};
        QTest::newRow("same name, other case") << QStringList{"Level", "LEVEL"} << QStringList{"Level", "NONE"};
    }
    void ADriverThatAnOfferedNameBeginsWithIsNotAdded()
    {
        QFETCH(QStringList, drivers);
        QFETCH(QStringList, offered);
        CTestApp app;
        for (int i = 0; i < drivers.size(); ++i) {
            app.Config().m_driver[i + 1] = {i + 1, 1, drivers[i].toStdWString()};
        }
        Refresh(app);
        QCOMPARE(DriverList(app, 0)->Items(), offered);
    }

    void DriverListsAreRebuiltWhileThePageIsHidden()
    {
        CTestApp app;
        app.Frame().ShowPage(kPageOutput);
        app.Config().m_driver[1] = {1, 1, L"LATE"};
        Refresh(app);
        QCOMPARE(DriverList(app, 7)->Items(), QStringList({"LATE", "NONE"}));
    }

    void ADriverTheListDoesNotOfferIsShownAndStoredUnchanged()
    {
        CTestApp app;
        app.Config().m_driver[1] = {1, 1, L"SOLINST_LEVELOGGER"};
        app.Config().m_serial[0].m_strDriver = L"SOLINST";
        Refresh(app);
        QCOMPARE(DriverList(app, 0)->EditText(), QStringLiteral("SOLINST"));
        app.Frame().ShowPage(kPageInternal);
        QCOMPARE(app.Config().m_serial[0].m_strDriver, CText(L"SOLINST"));
    }

    void EveryRowStoresWhatIsTypedIntoIt()
    {
        CTestApp app;
        auto* page = app.Page(kPageSerial);
        const CSerialView::CRowIds& row = CSerialView::RowIds()[6];
        page->ControlAs<QCheckBox>(row.m_nMeasure)->setChecked(true);
        page->ControlAs<CComboList>(row.m_nPort)->setEditText("COM13");
        page->ControlAs<CComboList>(row.m_nBaud)->setEditText("4800");
        page->ControlAs<CComboList>(row.m_nBits)->SetCurSel(0);
        page->ControlAs<CComboList>(row.m_nParity)->setEditText("Mark");
        page->ControlAs<CComboList>(row.m_nStopBits)->SetCurSel(1);
        page->ControlAs<CComboList>(row.m_nDriver)->setEditText("CUSTOM");
        page->ControlAs<QLineEdit>(row.m_nAddress)->setText(" 7 ");
        app.Frame().ShowPage(kPageModem);
        const CSerialSensor& sensor = app.Config().m_serial[6];
        QCOMPARE(sensor.m_nMeasure, 1);
        QCOMPARE(sensor.m_strPort, CText(L"COM13"));
        QCOMPARE(sensor.m_strBaud, CText(L"4800"));
        QCOMPARE(sensor.m_strDataBits, CText(L"7"));
        QCOMPARE(sensor.m_strParity, CText(L"Mark"));
        QCOMPARE(sensor.m_strStopBits, CText(L"2"));
        QCOMPARE(sensor.m_strDriver, CText(L"CUSTOM"));
        QCOMPARE(sensor.m_strAddress, CText(L" 7 "));
    }
};

QTEST_MAIN(CSerialViewTest)
#include "serialview_test.moc"
