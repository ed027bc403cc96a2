// The Modem page: every field is exchanged as typed, numbers are checked and
// a refused one stops the store there.
#include <QLineEdit>
#include <QtTest>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/modemview.h"
#include "pages/resourceids.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

using V = CModemView;

QLineEdit* Edit(CTestApp& app, int id)
{
    return app.Page(kPageModem)->ControlAs<QLineEdit>(id);
}

CComboList* ModeList(CTestApp& app)
{
    return app.Page(kPageModem)->ControlAs<CComboList>(V::kIdMode);
}

// The text fields with the configuration field each one edits.
std::vector<std::pair<int, CText CModemSettings::*>> TextFields()
{
    return {
        {V::kIdPin, &CModemSettings::m_strPin},
        {V::kIdApn, &CModemSettings::m_strApn},
        {V::kIdIp, &CModemSettings::m_strIp},
        {V::kIdEmailFrom, &CModemSettings::m_strEmailFrom},
        {V::kIdEmailTo, &CModemSettings::m_strEmailTo},
        {V::kIdUserName, &CModemSettings::m_strUserName},
        {V::kIdPassword, &CModemSettings::m_strPassword},
        {V::kIdTimeServer, &CModemSettings::m_strTimeServer},
        {V::kIdSmsCenter, &CModemSettings::m_strSmsCenter},
        {V::kIdIpConnect, &CModemSettings::m_strIpConnect},
        {V::kIdIpConfig, &CModemSettings::m_strIpConfig},
        {V::kIdUserNameConfig, &CModemSettings::m_strUserNameConfig},
        {V::kIdPasswordConfig, &CModemSettings::m_strPasswordConfig},
        {V::kIdUserNameApn, &CModemSettings::m_strUserNameApn},
        {V::kIdPasswordApn, &CModemSettings::m_strPasswordApn},
    };
}

}  // namespace

class CModemViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void EveryTextIsShownAndStoredAsTyped()
    {
        CTestApp app;
        const auto fields = TextFields();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            app.Config().m_modem.*fields[i].second = L"shown " + std::to_wstring(i);
        }
        app.Config().m_modem.m_strMode = L"EMAIL";
        app.Frame().ShowPage(kPageModem);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            QCOMPARE(Edit(app, fields[i].first)->text(), QStringLiteral("shown %1").arg(i));
            Edit(app, fields[i].first)->setText(i % 3 == 0 ? QString() : QStringLiteral(" typed %1 ").arg(i));
        }
        QCOMPARE(ModeList(app)->EditText(), QStringLiteral("EMAIL"));
        ModeList(app)->SetCurSel(1);
        app.Frame().ShowPage(kPageSystem);

        QVERIFY(app.m_boxes.m_shown.empty());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const CText expected = i % 3 == 0 ? CText() : L" typed " + std::to_wstring(i) + L" ";
            QCOMPARE(app.Config().m_modem.*fields[i].second, expected);
        }
        QCOMPARE(app.Config().m_modem.m_strMode, CText(L"FTP"));
    }

    void PasswordsAreShownOpenly()
    {
        CTestApp app;
        for (int id : {V::kIdPassword, V::kIdPasswordConfig, V::kIdPasswordApn}) {
            QCOMPARE(Edit(app, id)->echoMode(), QLineEdit::Normal);
        }
    }

    void NumbersAreShownAsTheConfigurationHoldsThem()
    {
        CTestApp app;
        CModemSettings& modem = app.Config().m_modem;
        modem.m_fInterval = 0.5f;
        modem.m_nOnTimeHour = 6;
        modem.m_nOnTimeMinute = 30;
        modem.m_nOnDuration = 15;
        modem.m_nTimeZone = -5;
        app.Frame().ShowPage(kPageModem);
        QCOMPARE(Edit(app, V::kIdInterval)->text(), QStringLiteral("0.5"));
        QCOMPARE(Edit(app, V::kIdOnTimeHour)->text(), QStringLiteral("6"));
        QCOMPARE(Edit(app, V::kIdOnTimeMinute)->text(), QStringLiteral("30"));
        QCOMPARE(Edit(app, V::kIdOnDuration)->text(), QStringLiteral("15"));
        QCOMPARE(Edit(app, V::kIdTimeZone)->text(), QStringLiteral("-5"));
        // The minute is the logger's; the operator cannot change it here.
        QVERIFY(!Edit(app, V::kIdOnTimeMinute)->isEnabled());
        app.Frame().ShowPage(kPageSystem);
        QCOMPARE(modem.m_nOnTimeMinute, uint32_t(30));
        QCOMPARE(modem.m_fInterval, 0.5f);
    }

    void ARefusedNumberStopsTheStoreThere_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("time zone -1") << V::kIdTimeZone << "-1"
                                      << "";
        QTest::newRow("interval 0.25") << V::kIdInterval << " 0.25 "
                                       << "";
        // A decimal comma is refused rather than cut to the whole number.
        QTest::newRow("interval 1,5") << V::kIdInterval << "1,5"
                                      << "Enter a number.";
        QTest::newRow("interval x1") << V::kIdInterval << "x1"
                                     << "Enter a number.";
        QTest::newRow("hour negative") << V::kIdOnTimeHour << "-2"
                                       << "Enter a positive integer.";
        QTest::newRow("duration empty") << V::kIdOnDuration << ""
                                        << "Enter a positive integer.";
        QTest::newRow("time zone text") << V::kIdTimeZone << "UTC"
                                        << "Enter an integer.";
    }
    void ARefusedNumberStopsTheStoreThere()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        CTestApp app({2});
        CModemSettings& modem = app.Config().m_modem;
        modem.m_fInterval = 8.0f;
        modem.m_nOnTimeHour = 1;
        modem.m_nOnDuration = 2;
        modem.m_nTimeZone = 3;
        modem.m_strPin = L"0000";
        app.Frame().ShowPage(kPageModem);
        Edit(app, V::kIdInterval)->setText("24");
        Edit(app, V::kIdOnTimeHour)->setText("7");
        Edit(app, V::kIdOnDuration)->setText("10");
        Edit(app, V::kIdTimeZone)->setText("2");
        Edit(app, V::kIdPin)->setText("1234");
        app.Page(kPageModem)->ControlAs<CComboList>(kIdPortList)->setEditText("COM8");
        Edit(app, field)->setText(typed);
        app.Frame().ShowPage(kPageSystem);
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageSystem);

        if (message.isEmpty()) {
            QVERIFY(app.m_boxes.m_shown.empty());
            QCOMPARE(modem.m_fInterval, field == V::kIdInterval ? 0.25f : 24.0f);
            QCOMPARE(modem.m_nTimeZone, field == V::kIdTimeZone ? -1 : 2);
            QCOMPARE(modem.m_strPin, CText(L"1234"));
            QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"COM8"));
            return;
        }
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, message);
        // Stored up to the refused field, nothing from it on.
        const std::vector<int> order{V::kIdInterval, V::kIdOnTimeHour, V::kIdOnDuration, V::kIdTimeZone};
        const auto refused = std::find(order.begin(), order.end(), field) - order.begin();
        QCOMPARE(modem.m_fInterval, refused > 0 ? 24.0f : 8.0f);
        QCOMPARE(modem.m_nOnTimeHour, refused > 1 ? 7u : 1u);
        QCOMPARE(modem.m_nOnDuration, refused > 2 ? 10u : 2u);
        QCOMPARE(modem.m_nTimeZone, 3);
        QCOMPARE(modem.m_strPin, CText(L"0000"));
        QCOMPARE(app.Config().m_panel.m_strComPort, CText(L"COM2"));
    }
};

QTEST_MAIN(CModemViewTest)
#include "modemview_test.moc"
