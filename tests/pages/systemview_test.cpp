// The System page: what it exchanges with the configuration, how a refused
// number stops the store, what the variant leaves visible and "Set Default
// Config".
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cmath>
#include <limits>

#include "app/mainfrm.h"
#include "app/nimbrelsetupdoc.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/resourceids.h"
#include "pages/systemview.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

using V = CSystemView;

QString TextOf(CTestApp& app, int id)
{
    QWidget* control = app.Page(kPageSystem)->Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* list = qobject_cast<CComboList*>(control)) return list->EditText();
    return QStringLiteral("<no text control %1>").arg(id);
}

void Type(CTestApp& app, int id, const QString& text)
{
    QWidget* control = app.Page(kPageSystem)->Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(text);
    if (auto* list = qobject_cast<CComboList*>(control)) list->setEditText(text);
}

QCheckBox* Check(CTestApp& app, int id)
{
    return app.Page(kPageSystem)->ControlAs<QCheckBox>(id);
}

// Brings the System page to the front, where typing happens.
void ShowSystem(CTestApp& app)
{
    app.Frame().ShowPage(kPageSystem);
}

// Stores the System page by switching away from it.
void LeaveSystem(CTestApp& app)
{
    app.Frame().ShowPage(kPageModem);
}

}  // namespace

class CSystemViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void EveryFieldIsShownInItsOwnControl()
    {
        CTestApp app;
        CSystemSettings& s = app.Config().m_system;
        s = {.m_strSerialNumber = L"SN-77",
             .m_strFirmware = L"FW 3.1",
             .m_strName = L"River",
             .m_nMeasInterval = 600,
             .m_nMeasDelay = 12,
             .m_nLogInterval = 900,
             .m_nRepInterval = 3600,
             .m_fVref = 2500.25f,
             .m_strSerial1 = L"9600",
             .m_strSerial2 = L"19200",
             .m_strDataFormat = L"CSV",
             .m_nRs485 = 1,
             .m_strRs485Address = L"A5",
             .m_nEws = 1,
             .m_strDay = L"09",
             .m_strMonth = L"11",
             .m_strYear = L"2026",
             .m_strHour = L"13",
             .m_strMinute = L"45",
             .m_strSecond = L"07",
             .m_nSetTime = 1,
             .m_strDisplaySize = L"Large (1 line)"};
        ShowSystem(app);
        const std::vector<std::pair<int, QString>> expected{
            {V::kIdSerialNumber, "SN-77"},
            {V::kIdFirmware, "FW 3.1"},
            {V::kIdName, "River"},
            {V::kIdMeasInterval, "600"},
            {V::kIdMeasDelay, "12"},
            {V::kIdLogInterval, "900"},
            {V::kIdRepInterval, "3600"},
            {V::kIdVref, "2500.25"},
            {V::kIdSerial1, "9600"},
            {V::kIdSerial2, "19200"},
            {V::kIdDataFormat, "CSV"},
            {V::kIdRs485Address, "A5"},
            {V::kIdDay, "09"},
            {V::kIdMonth, "11"},
            {V::kIdYear, "2026"},
            {V::kIdHour, "13"},
            {V::kIdMinute, "45"},
            {V::kIdSecond, "07"},
            {V::kIdDisplaySize, "Large (1 line)"},
        };
        for (const auto& [id, text] : expected) QCOMPARE(TextOf(app, id), text);
        QVERIFY(Check(app, V::kIdRs485)->isChecked());
        QVERIFY(Check(app, V::kIdEws)->isChecked());
        QVERIFY(Check(app, V::kIdSetTime)->isChecked());
        QVERIFY(!Check(app, V::kIdEcho)->isChecked());
        QVERIFY(!Check(app, V::kIdPoll)->isChecked());
    }

    void WhatIsTypedIsStoredAndShownValuesComeBackUnchanged()
    {
        CTestApp app;
        app.Config().m_system.m_fVref = 1234.5677f;
        app.Config().m_system.m_strSerialNumber = L"4711";
        ShowSystem(app);
        Type(app, V::kIdName, "  Weir 2 ");
        Type(app, V::kIdMeasInterval, " -30");
        Type(app, V::kIdMeasDelay, "255");
        Type(app, V::kIdLogInterval, " 60 ");
        Type(app, V::kIdRepInterval, "+7200");
        Type(app, V::kIdSerial1, "4800");
        app.Page(kPageSystem)->ControlAs<CComboList>(V::kIdSerial2)->SetCurSel(0);
        Type(app, V::kIdDataFormat, "Default");
        Type(app, V::kIdDay, "");
        Type(app, V::kIdMonth, "2");
        Type(app, V::kIdYear, "27");
        Type(app, V::kIdHour, "x");
        Type(app, V::kIdMinute, "5");
        Type(app, V::kIdSecond, "59");
        Check(app, V::kIdSetTime)->setChecked(true);
        LeaveSystem(app);

        const CSystemSettings& s = app.Config().m_system;
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(s.m_strName, CText(L"  Weir 2 "));
        QCOMPARE(s.m_nMeasInterval, -30);
        QCOMPARE(s.m_nMeasDelay, uint8_t(255));
        QCOMPARE(s.m_nLogInterval, 60);
        QCOMPARE(s.m_nRepInterval, 7200);
        QCOMPARE(s.m_strSerial1, CText(L"4800"));
        QCOMPARE(s.m_strSerial2, CText(L"300"));
        QCOMPARE(s.m_strDataFormat, CText(L"Default"));
        QCOMPARE(s.m_strDay, CText(L""));
        QCOMPARE(s.m_strMonth, CText(L"2"));
        QCOMPARE(s.m_strYear, CText(L"27"));
        QCOMPARE(s.m_strHour, CText(L"x"));
        QCOMPARE(s.m_strMinute, CText(L"5"));
        QCOMPARE(s.m_strSecond, CText(L"59"));
        QCOMPARE(s.m_nSetTime, 1);
        // Shown only, yet stored back: they must survive the round trip.
        QCOMPARE(s.m_fVref, 1234.5677f);
        QCOMPARE(s.m_strSerialNumber, CText(L"4711"));
    }

    void ARefusedNumberKeepsItAndEverythingAfterIt_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("delay above 255") << V::kIdMeasDelay << "256"
                                         << "Enter an integer between 0 and 255.";
        QTest::newRow("delay 300") << V::kIdMeasDelay << "300"
                                   << "Enter an integer between 0 and 255.";
        QTest::newRow("interval not a number") << V::kIdMeasInterval << "ten"
                                               << "Enter an integer.";
        QTest::newRow("report interval empty") << V::kIdRepInterval << ""
                                               << "Enter an integer.";
    }
    void ARefusedNumberKeepsItAndEverythingAfterIt()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        CTestApp app({3});
        app.Config().m_system.m_nMeasDelay = 4;
        app.Config().m_system.m_nRepInterval = 50;
        app.Config().m_system.m_strName = L"before";
        ShowSystem(app);
        Type(app, V::kIdMeasInterval, "11");
        Type(app, V::kIdMeasDelay, "22");
        Type(app, V::kIdRepInterval, "44");
        Type(app, V::kIdName, "late");
        Type(app, kIdBaudList, "57600");
        app.Page(kPageSystem)->ControlAs<CComboList>(kIdPortList)->setEditText("COM9");
        Type(app, field, typed);
        LeaveSystem(app);

        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, message);
        // The page switch goes on regardless.
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageModem);
        const CSystemSettings& s = app.Config().m_system;
        if (field != V::kIdMeasInterval) QCOMPARE(s.m_nMeasInterval, 11);
        if (field == V::kIdRepInterval) QCOMPARE(s.m_nMeasDelay, uint8_t(22));
        if (field == V::kIdMeasDelay) QCOMPARE(s.m_nMeasDelay, uint8_t(4));
        QCOMPARE(s.m_nRepInterval, 50);
        QCOMPARE(s.m_strName, CText(L"before"));
        QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"COM3"));
        QVERIFY(app.Config().m_panel.m_strBaud != CText(L"57600"));
    }

    void AReferenceVoltageThatIsNoNumberDoesNotBlockThePage()
    {
        CTestApp app;
        app.Config().m_system.m_fVref = std::numeric_limits<float>::infinity();
        ShowSystem(app);
        Type(app, V::kIdName, "stored");
        LeaveSystem(app);
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"stored"));
        QVERIFY(std::isinf(app.Config().m_system.m_fVref));
    }

    void TheVariantLeavesOnlyTheGeneralSettings()
    {
        CTestApp app;
        ShowSystem(app);
        CPageView* page = app.Page(kPageSystem);
        for (int id : {1614, 1615, 1616, 1617, 1618, V::kIdRs485, V::kIdEcho, V::kIdPoll, V::kIdEws, V::kIdRs485Address,
                       1584, V::kIdDisplaySize}) {
            QVERIFY2(page->Control(id)->isHidden(), qPrintable(QString::number(id)));
        }
        for (int id : {V::kIdSerialNumber, V::kIdFirmware, V::kIdName, V::kIdMeasInterval, V::kIdMeasDelay,
                       V::kIdLogInterval, V::kIdRepInterval, V::kIdVref, V::kIdSerial1, V::kIdSerial2, V::kIdDataFormat,
                       V::kIdDay, V::kIdYear, V::kIdHour, V::kIdSecond, V::kIdSetTime, V::kIdSetDefaultConfig}) {
            QVERIFY2(!page->Control(id)->isHidden(), qPrintable(QString::number(id)));
        }
        for (int id : {V::kIdSerialNumber, V::kIdFirmware, V::kIdVref}) QVERIFY(!page->Control(id)->isEnabled());
    }

    void SetDefaultConfigOnlyStoresThePageWhileATransferRuns()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        ShowSystem(app);
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kSendBit));
        Type(app, V::kIdName, "kept");
        app.Page(kPageSystem)->ControlAs<QPushButton>(V::kIdSetDefaultConfig)->click();
        ProcessPostedEvents();
        QCOMPARE(app.Config().m_system.m_strName, CText(L"kept"));
        QVERIFY(app.m_port.m_opened.empty());
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kSendBit);
        app.m_link.Release(CLinkControl::kSendBit);
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void DefaultConfigurationShowsWhatTheLoggerReports()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_replies["SetDefaultConfig\r"] = "SetDefaultConfig\r\nName Factory\r\nMeasDelay 9\r\nOK";
        ShowSystem(app);
        Type(app, V::kIdName, "Mine");
        app.Page(kPageSystem)->ControlAs<QPushButton>(V::kIdSetDefaultConfig)->click();
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(TextOf(app, V::kIdName), QStringLiteral("Factory"));
        QCOMPARE(TextOf(app, V::kIdMeasDelay), QStringLiteral("9"));
    }
};

QTEST_MAIN(CSystemViewTest)
#include "systemview_test.moc"
