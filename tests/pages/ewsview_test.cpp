// The EWS page: what it exchanges with the configuration (all sixteen
// warnings, their recipients and the sixteen SMS numbers, exactly as typed),
// the caution that comes with the "MORE" and "LESS" types, and that the page
// takes part in page switches and transfers although the toolbar does not
// reach it.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>

#include "app/mainfrm.h"
#include "config/configwriter.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/ewsview.h"
#include "pages/resourceids.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

using V = CEwsView;

const QStringList kTypes{"NONE", "MORE", "MORE10M", "MORE24H", "LESS", "LESS10M", "LESS24H", "WL1",
                         "WL2",  "WL3",  "RG10M",   "RG1H",    "RG6H", "RG24H",   "DOOR"};

const V::CRowIds& Row(int row)
{
    return V::RowIds()[row];
}

CPageView* Page(CTestApp& app)
{
    return app.Page(kPageEws);
}

CComboList* List(CTestApp& app, int id)
{
    return Page(app)->ControlAs<CComboList>(id);
}

QCheckBox* Check(CTestApp& app, int row, int recipient)
{
    return Page(app)->ControlAs<QCheckBox>(Row(row).m_nRecipient[recipient]);
}

// The text fields of a row with the warning field each one edits.
std::vector<std::pair<int, CText CEarlyWarning::*>> TextFields(int row)
{
    const V::CRowIds& ids = Row(row);
    return {
        {ids.m_nInput, &CEarlyWarning::m_strInput},
        {ids.m_nType, &CEarlyWarning::m_strType},
        {ids.m_nLogInterval, &CEarlyWarning::m_strLogInterval},
        {ids.m_nModemInterval, &CEarlyWarning::m_strModemInterval},
        {ids.m_nAlarm, &CEarlyWarning::m_strAlarm},
        {ids.m_nUnits, &CEarlyWarning::m_strUnits},
    };
}

QString TextOf(CTestApp& app, int id)
{
    QWidget* control = Page(app)->Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* list = qobject_cast<CComboList*>(control)) return list->EditText();
    return QStringLiteral("<no text control %1>").arg(id);
}

void Type(CTestApp& app, int id, const QString& text)
{
    QWidget* control = Page(app)->Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(text);
    if (auto* list = qobject_cast<CComboList*>(control)) list->setEditText(text);
}

// Chooses text from a list the way the operator does: opens it and clicks
// the item.
void Choose(CComboList* list, const QString& text)
{
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(text));
    list->showPopup();
    QAbstractItemView* view = list->view();
    const QModelIndex item = view->model()->index(index, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), 10000);
    QCOMPARE(list->GetCurSel(), index);
}

// Every warning text distinct, so that a control bound to the wrong field
// shows up; recipients in a pattern that differs from row to row.
void FillDistinct(CConfiguration& config)
{
    for (int row = 0; row < kEarlyWarnings; ++row) {
        CEarlyWarning& w = config.m_ews[row];
        const std::wstring n = std::to_wstring(row + 1);
        w.m_strInput = L"O" + std::to_wstring(row + 10);
        w.m_strType = kTypes[row % kTypes.size()].toStdWString();
        w.m_strLogInterval = L"log" + n;
        w.m_strModemInterval = L"modem" + n;
        w.m_strAlarm = L"alarm" + n;
        w.m_strUnits = L"units" + n;
        for (int j = 0; j < kSmsNumbers; ++j) w.m_nRecipient[j] = (row + 2 * j) % 5 == 0 ? 1 : 0;
    }
    for (int k = 0; k < kSmsNumbers; ++k) config.m_strSms[k] = L"+4917" + std::to_wstring(1000 + k);
}

}  // namespace

class CEwsViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    // The caution.

    void TheCautionComesWithMoreAndLessEveryTime()
    {
        CTestApp app;
        app.Frame().ShowPage(kPageEws);
        std::size_t expected = 0;
        for (int i = 0; i < kTypes.size(); ++i) {
            Choose(List(app, Row(i).m_nType), kTypes[i]);
            if (kTypes[i] == "MORE" || kTypes[i] == "LESS") ++expected;
            QVERIFY2(app.m_boxes.m_shown.size() == expected, qPrintable(kTypes[i]));
        }
        QCOMPARE(expected, std::size_t(2));
        // Again: the same item in the same row, and in other rows.
        Choose(List(app, Row(1).m_nType), "MORE");
        Choose(List(app, Row(15).m_nType), "MORE");
        Choose(List(app, Row(4).m_nType), "LESS");
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(5));
        for (const CShownBox& box : app.m_boxes.m_shown) {
            QCOMPARE(
                box.m_strText,
                QStringLiteral("This type of warning can produce many SMS messages.\nEvaluate other warning types."));
            QCOMPARE(box.m_strCaption, QStringLiteral("Warning Message"));
            QCOMPARE(box.m_icon, EMessageIcon::Error);
        }
        // The choice stands.
        app.Frame().ShowPage(kPageSerial);
        QCOMPARE(app.Config().m_ews[15].m_strType, CText(L"MORE"));
        QCOMPARE(app.Config().m_ews[4].m_strType, CText(L"LESS"));
        QCOMPARE(app.Config().m_ews[7].m_strType, CText(L"WL1"));
    }

    void ShowingStoredWarningsBringsUpNoCaution()
    {
        CTestApp app;
        for (int row = 0; row < kEarlyWarnings; ++row) app.Config().m_ews[row].m_strType = row % 2 ? L"MORE" : L"LESS";
        app.Frame().InitialUpdateFrame();
        ProcessPostedEvents();
        app.Frame().ShowPage(kPageEws);
        Page(app)->UpdateData(false);
        app.Frame().ShowPage(kPageModem);
        app.Frame().ShowPage(kPageEws);
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(List(app, Row(1).m_nType)->EditText(), QStringLiteral("MORE"));
    }

    // The lists.

    // The controls bound to a warning are the ones on its line, each
    // recipient box under its own heading.
    void EveryRowOffersTheSameListsAndLinesUp()
    {
        CTestApp app;
        const CDialogTemplate& tmpl = Page(app)->Form().Template();
        const int columns[kSmsNumbers]{317, 330, 343, 356, 369, 382, 395, 408, 427, 440, 453, 466, 479, 492, 505, 518};
        QStringList inputs{"0"};
        for (int n = 1; n <= 32; ++n) inputs << QStringLiteral("O%1").arg(n);
        for (int row = 0; row < kEarlyWarnings; ++row) {
            const V::CRowIds& ids = Row(row);
            QCOMPARE(List(app, ids.m_nInput)->Items(), inputs);
            QCOMPARE(List(app, ids.m_nType)->Items(), kTypes);
            QVERIFY(List(app, ids.m_nInput)->isEditable() && List(app, ids.m_nType)->isEditable());
            const int y = 22 + 13 * row;
            for (int id :
                 {ids.m_nInput, ids.m_nType, ids.m_nLogInterval, ids.m_nModemInterval, ids.m_nAlarm, ids.m_nUnits}) {
                QCOMPARE(tmpl.Find(id)->m_rect.y(), y);
            }
            for (int j = 0; j < kSmsNumbers; ++j) {
                const QRect box = tmpl.Find(ids.m_nRecipient[j])->m_rect;
                QVERIFY2(box.x() == columns[j] && std::abs(box.y() - y) <= 1,
                         qPrintable(QStringLiteral("EWS%1 T%2").arg(row + 1).arg(j + 1)));
            }
        }
    }

    // The exchange.

    void EveryFieldIsShownAndStoredExactly()
    {
        CTestApp app;
        FillDistinct(app.Config());
        app.Frame().ShowPage(kPageEws);
        for (int row = 0; row < kEarlyWarnings; ++row) {
            for (const auto& [id, field] : TextFields(row)) {
                QCOMPARE(TextOf(app, id), QString::fromStdWString(app.Config().m_ews[row].*field));
            }
            for (int j = 0; j < kSmsNumbers; ++j) {
                QCOMPARE(Check(app, row, j)->isChecked(), app.Config().m_ews[row].m_nRecipient[j] == 1);
            }
        }
        for (int k = 0; k < kSmsNumbers; ++k) {
            QCOMPARE(TextOf(app, V::SmsIds()[k]), QString::fromStdWString(app.Config().m_strSms[k]));
        }

        // Anything goes: blanks, empty texts, letters in the intervals, an
        // input or type the lists do not offer. Nothing is refused.
        auto typed = [](int row, int field) -> QString {
            switch ((row + field) % 4) {
                case 0:
                    return QString();
                case 1:
                    return QStringLiteral(" %1.%2 ").arg(row).arg(field);
                case 2:
                    return QStringLiteral("x%1-%2").arg(row).arg(field);
                default:
                    return QStringLiteral("%1,%2 min").arg(row).arg(field);
            }
        };
        for (int row = 0; row < kEarlyWarnings; ++row) {
            const auto fields = TextFields(row);
            for (std::size_t f = 0; f < fields.size(); ++f) Type(app, fields[f].first, typed(row, int(f)));
        }
        for (int k = 0; k < kSmsNumbers; ++k) {
            Type(app, V::SmsIds()[k], k % 5 == 0 ? QString() : QStringLiteral(" +49 170 %1 ").arg(k));
        }
        app.Frame().ShowPage(kPageModem);

        QVERIFY(app.m_boxes.m_shown.empty());
        for (int row = 0; row < kEarlyWarnings; ++row) {
            const auto fields = TextFields(row);
            for (std::size_t f = 0; f < fields.size(); ++f) {
                QCOMPARE(app.Config().m_ews[row].*fields[f].second, typed(row, int(f)).toStdWString());
            }
        }
        for (int k = 0; k < kSmsNumbers; ++k) {
            const CText expected = k % 5 == 0 ? CText() : QStringLiteral(" +49 170 %1 ").arg(k).toStdWString();
            QCOMPARE(app.Config().m_strSms[k], expected);
        }
    }

    void EachRecipientBoxSetsItsOwnFlag()
    {
        CTestApp app;
        app.Frame().ShowPage(kPageEws);
        CPageView* page = Page(app);
        for (int row = 0; row < kEarlyWarnings; ++row) {
            for (int j = 0; j < kSmsNumbers; ++j) {
                Check(app, row, j)->setChecked(true);
                QVERIFY(page->UpdateData(true));
                for (int r = 0; r < kEarlyWarnings; ++r) {
                    for (int i = 0; i < kSmsNumbers; ++i) {
                        const int expected = r == row && i == j ? 1 : 0;
                        QVERIFY2(app.Config().m_ews[r].m_nRecipient[i] == expected,
                                 qPrintable(QStringLiteral("box EWS%1 T%2: flag EWS%3 T%4")
                                                .arg(row + 1)
                                                .arg(j + 1)
                                                .arg(r + 1)
                                                .arg(i + 1)));
                    }
                }
                Check(app, row, j)->setChecked(false);
            }
        }
    }

    void LoadingAndStoringChangesNothing()
    {
        CTestApp app({3, 10});
        FillDistinct(app.Config());
        app.Config().m_ews[4].m_strType = L"";
        app.Config().m_ews[5].m_strInput = L"not an output";
        app.Config().m_strSms[3] = L"";
        app.Config().m_panel.m_strComPort = L"COM10";
        app.Config().m_panel.m_strBaud = L"9600";
        app.Config().m_panel.m_nClock = 1;
        app.Config().m_panel.m_strDevice = L"GSM-5";
        // The first switch stores the Serial page, which has rules of its own.
        app.Frame().ShowPage(kPageEws);
        const CConfiguration before = app.Config();

        app.Frame().ShowPage(kPageModem);
        app.Frame().ShowPage(kPageEws);
        QVERIFY(Page(app)->UpdateData(true));
        QVERIFY(Page(app)->UpdateData(false));
        QVERIFY(Page(app)->UpdateData(true));
        QVERIFY(app.Config() == before);
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    // The page in the window.

    void ThePageIsOffTheToolbarButTakesPartInPageSwitches()
    {
        CTestApp app({5});
        QVERIFY(!app.Frame().CommandAction(kPageCommand[kPageEws])->isEnabled());
        app.Frame().ShowPage(kPageEws);
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageEws);
        QVERIFY(!Page(app)->Control(kIdLogo)->isHidden());
        // Its panel is every page's panel.
        List(app, kIdBaudList)->setEditText("38400");
        Type(app, Row(2).m_nUnits, "mm");
        app.Frame().ShowPage(kPageSystem);
        QCOMPARE(app.Config().m_panel.m_strBaud, CText(L"38400"));
        QCOMPARE(app.Config().m_ews[2].m_strUnits, CText(L"mm"));
        QCOMPARE(TextOf(app, kIdBaudList), QStringLiteral("38400"));
    }

    void SendFromThePageSendsWhatItShows()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_strOtherReply = "\r\nOK";
        app.Frame().ShowPage(kPageEws);
        Choose(List(app, Row(2).m_nInput), "O7");
        Choose(List(app, Row(2).m_nType), "LESS10M");
        Type(app, Row(2).m_nAlarm, "12.5");
        Check(app, 2, 15)->setChecked(true);
        Type(app, V::SmsIds()[15], "+4915112345");
        Page(app)->ControlAs<QPushButton>(1511)->click();
        QVERIFY(app.WaitUntilIdle());

        QVERIFY(app.m_boxes.m_shown.empty());
        const CEarlyWarning& sent = app.Config().m_ews[2];
        QCOMPARE(sent.m_strInput, CText(L"O7"));
        QCOMPARE(sent.m_strType, CText(L"LESS10M"));
        QCOMPARE(sent.m_nRecipient[15], 1);
        const auto& written = app.m_port.m_written;
        auto wrote = [&](const std::string& line) {
            return std::find(written.begin(), written.end(), line) != written.end();
        };
        QVERIFY(wrote(EarlyWarningLine(app.Config(), 2, ELineEnd::Cr)));
        QVERIFY(wrote(SmsNumberLine(16, L"+4915112345")));
    }
};

QTEST_MAIN(CEwsViewTest)
#include "ewsview_test.moc"
