// The dialog templates: every one compiled in reads without fault, every
// configuration page carries the whole communication panel, and broken
// templates are refused with a reason.
#include <QFile>
#include <QtTest>

#include "pages/configpageview.h"
#include "pages/dialogform.h"
#include "pages/dialogtemplate.h"
#include "pages/resourceids.h"

using namespace fennmere;

class CDialogTemplateTest : public QObject {
    Q_OBJECT
private slots:
    void EveryTemplateReadsWithoutFault_data()
    {
        QTest::addColumn<int>("id");
        QTest::newRow("about") << kAboutTemplate;
        for (int page = 1; page <= kPageCount; ++page)
            QTest::newRow(qPrintable(QString::number(page))) << kPageTemplate[page];
    }
    void EveryTemplateReadsWithoutFault()
    {
        QFETCH(int, id);
        QFile file(QStringLiteral(":/templates/%1.json").arg(id));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        std::optional<CDialogTemplate> tmpl = ParseDialogTemplate(file.readAll(), &error);
        QVERIFY2(tmpl.has_value(), qPrintable(error));
        QCOMPARE(tmpl->m_nId, id);
    }

    void ConfigurationPagesCarryTheWholePanel_data()
    {
        QTest::addColumn<int>("page");
        for (int page = 1; page <= 8; ++page) QTest::newRow(qPrintable(QString::number(page))) << page;
    }
    void ConfigurationPagesCarryTheWholePanel()
    {
        QFETCH(int, page);
        const CDialogTemplate tmpl = LoadDialogTemplate(kPageTemplate[page]);
        const CPanelIds ids = CConfigPageView::PanelIdsFor(page);
        auto kindOf = [&](int id) { return tmpl.Find(id) ? tmpl.Find(id)->m_kind : EControlKind::Static; };
        QVERIFY(tmpl.Find(kIdPortList) && tmpl.Find(kIdPortList)->Has(kFlagSorted));
        QCOMPARE(kindOf(kIdPortList), EControlKind::ComboDropDown);
        QCOMPARE(tmpl.Find(kIdBaudList)->m_items,
                 QStringList({"1200", "2400", "9600", "19200", "38400", "57600", "115200"}));
        QCOMPARE(kindOf(ids.m_nClock), EControlKind::Check);
        QCOMPARE(kindOf(ids.m_nDevice), EControlKind::ComboDropDown);
        QCOMPARE(tmpl.Find(ids.m_nDeviceLabel)->m_strText, QStringLiteral("Select Device"));
        QCOMPARE(kindOf(ids.m_nProgress), EControlKind::Progress);
        QCOMPARE(tmpl.Find(ids.m_nSend)->m_strText, QStringLiteral("Send"));
        QCOMPARE(tmpl.Find(ids.m_nRetrieve)->m_strText, QStringLiteral("Retrieve"));
        QCOMPARE(kindOf(kIdLogo), EControlKind::Picture);
        QVERIFY(tmpl.Find(kIdLogo)->Has(kFlagHidden));
        // The Output and EWS pages are taller than the window and scroll.
        const QSize size = page == kPageOutput ? QSize(665, 447) : page == kPageEws ? QSize(665, 438) : QSize(665, 300);
        QCOMPARE(tmpl.m_size, size);
    }

    void BrokenTemplatesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        auto with = [](const char* control) {
            return QByteArray(R"({"id": 7, "size": [10, 10], "controls": [)") + control + "]}";
        };
        QTest::newRow("not json") << QByteArray("{");
        QTest::newRow("no id") << QByteArray(R"({"size": [10, 10], "controls": []})");
        QTest::newRow("no size") << QByteArray(R"({"id": 7, "controls": []})");
        QTest::newRow("unknown kind") << with(R"({"kind": "slider", "rect": [0, 0, 1, 1]})");
        QTest::newRow("unknown flag") << with(R"({"kind": "edit", "rect": [0, 0, 1, 1], "flags": ["shiny"]})");
        QTest::newRow("misspelt key") << with(R"({"kind": "combo-droplist", "rect": [0, 0, 1, 1], "item": ["a"]})");
        QTest::newRow("short rect") << with(R"({"kind": "edit", "rect": [0, 0, 1]})");
        QTest::newRow("negative rect") << with(R"({"kind": "edit", "rect": [0, -1, 1, 1]})");
        QTest::newRow("picture without image") << with(R"({"kind": "picture", "rect": [0, 0, 1, 1]})");
        QTest::newRow("number twice") << with(R"({"id": 5, "kind": "edit", "rect": [0, 0, 1, 1]},
                                                  {"id": 5, "kind": "check", "rect": [0, 0, 1, 1]})");
    }
    void BrokenTemplatesAreRefused()
    {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!ParseDialogTemplate(json, &error).has_value());
        QVERIFY(!error.isEmpty());
    }

    void FormsKeepTheirLayoutInDialogUnits()
    {
        const CDialogTemplate tmpl = LoadDialogTemplate(kPageTemplate[kPageSerial]);
        CDialogForm form(tmpl);
        const QSize base = form.BaseUnits();
        QCOMPARE(form.size(), QSize(qRound(665.0 * base.width() / 4), qRound(300.0 * base.height() / 8)));
        // Rows of the Serial page are 13 dialog units apart, whatever the font.
        QCOMPARE(form.Control(1015)->y() - form.Control(1008)->y(), qRound(13.0 * base.height() / 8));
        QCOMPARE(CDialogForm::ControlNumber(form.Control(1008)), 1008);
    }
};

QTEST_MAIN(CDialogTemplateTest)
#include "dialogtemplate_test.moc"
