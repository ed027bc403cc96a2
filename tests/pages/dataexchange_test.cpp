// Data exchange: number fields refuse what is not a number of their kind and
// stop the store there; text, lists and check boxes go across exactly; a
// stored real reads back as the same float.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

#include <cstring>
#include <limits>

#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/dataexchange.h"
#include "pages/dialogform.h"

using namespace fennmere;

namespace {

CDialogTemplate Fields()
{
    std::optional<CDialogTemplate> tmpl = ParseDialogTemplate(R"({"id": 9, "size": [200, 100], "controls": [
        {"id": 10, "kind": "edit", "rect": [0, 0, 40, 12]},
        {"id": 11, "kind": "edit", "rect": [0, 14, 40, 12]},
        {"id": 12, "kind": "edit", "rect": [0, 28, 40, 12]},
        {"id": 20, "kind": "combo-dropdown", "rect": [50, 0, 40, 40], "items": ["COM10", "COM1"], "flags": ["sorted"]},
        {"id": 21, "kind": "combo-droplist", "rect": [50, 14, 40, 40], "items": ["None", "Even", "Odd"]},
        {"id": 30, "kind": "check", "rect": [100, 0, 10, 10]}
    ]})");
    return *tmpl;
}

}  // namespace

class CDataExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void NumberFieldsTakeOnlyNumbersOfTheirKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal");  // empty: accepted
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "int"
                                 << " -17 "
                                 << "" << -17.0;
        QTest::newRow("integer with plus") << "int"
                                           << "+5"
                                           << "" << 5.0;
        QTest::newRow("integer, largest") << "int"
                                          << "2147483647"
                                          << "" << 2147483647.0;
        QTest::newRow("integer, too large") << "int"
                                            << "2147483648"
                                            << "Enter an integer." << 0.0;
        QTest::newRow("integer, fraction") << "int"
                                           << "1.5"
                                           << "" << 1.0;
        // A serial sensor's port: what the setup file carries after "COM".
        const QString port = QStringLiteral("Enter COM followed by the port number, for example COM2.");
        QTest::newRow("port") << "port" << "COM12" << "" << 12.0;
        QTest::newRow("port, typed freely") << "port" << "zz" << port << 0.0;
        QTest::newRow("port, with a comma") << "port" << "COM1,2" << port << 0.0;
        QTest::newRow("integer, empty") << "int"
                                        << ""
                                        << "Enter an integer." << 0.0;
        QTest::newRow("integer, trailing text") << "int"
                                                << "12s"
                                                << "" << 12.0;
        QTest::newRow("integer, unit") << "int"
                                       << " 60 s"
                                       << "" << 60.0;
        QTest::newRow("integer, text first") << "int"
                                             << "s60"
                                             << "Enter an integer." << 0.0;
        QTest::newRow("byte") << "byte"
                              << "255"
                              << "" << 255.0;
        QTest::newRow("byte, too large") << "byte"
                                         << "256"
                                         << "Enter an integer between 0 and 255." << 0.0;
        QTest::newRow("byte, negative") << "byte"
                                        << "-1"
                                        << "Enter an integer between 0 and 255." << 0.0;
        QTest::newRow("byte, text") << "byte"
                                    << "x"
                                    << "Enter an integer between 0 and 255." << 0.0;
        QTest::newRow("unsigned, hours") << "uint"
                                         << "7h"
                                         << "" << 7.0;
        QTest::newRow("unsigned, largest") << "uint"
                                           << "4294967295"
                                           << "" << 4294967295.0;
        QTest::newRow("unsigned, negative") << "uint"
                                            << "-1"
                                            << "Enter a positive integer." << 0.0;
        QTest::newRow("unsigned, too large") << "uint"
                                             << "4294967296"
                                             << "Enter a positive integer." << 0.0;
        QTest::newRow("real") << "real"
                              << " 2.5 "
                              << "" << 2.5;
        QTest::newRow("real, exponent") << "real"
                                        << "-1e3"
                                        << "" << -1000.0;
        QTest::newRow("real, leading point") << "real"
                                             << ".5"
                                             << "" << 0.5;
        QTest::newRow("real, text") << "real"
                                    << "abc"
                                    << "Enter a number." << 0.0;
        QTest::newRow("real, infinity") << "real"
                                        << "inf"
                                        << "Enter a number." << 0.0;
        QTest::newRow("real, beyond float") << "real"
                                            << "1e39"
                                            << "Enter a number." << 0.0;
        QTest::newRow("real, comma") << "real"
                                     << "2,5"
                                     << "Enter a number." << 0.0;
        QTest::newRow("real, unit") << "real"
                                    << "2.5 V"
                                    << "" << 2.5;
    }
    void NumberFieldsTakeOnlyNumbersOfTheirKind()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        QFETCH(double, value);
        CDialogForm form(Fields());
        test::CRecordingBoxes boxes;
        form.ControlAs<QLineEdit>(10)->setText(typed);
        CDataExchange dx(form, true, boxes);
        double stored = 0;
        if (kind == "int") {
            int32_t v = 0;
            dx.Integer(10, v);
            stored = v;
        } else if (kind == "byte") {
            uint8_t v = 0;
            dx.Byte(10, v);
            stored = v;
        } else if (kind == "uint") {
            uint32_t v = 0;
            dx.Unsigned(10, v);
            stored = v;
        } else if (kind == "port") {
            CText v;
            dx.SerialPort(10, v);
            stored = v.empty() ? 0.0 : std::stod(v.substr(3));
        } else {
            float v = 0;
            dx.Real(10, v);
            stored = v;
        }
        QCOMPARE(dx.Failed(), !refusal.isEmpty());
        if (refusal.isEmpty()) {
            QVERIFY(boxes.m_shown.empty());
            QCOMPARE(stored, value);
        } else {
            QCOMPARE(boxes.m_shown.size(), std::size_t(1));
            QCOMPARE(boxes.m_shown[0].m_strText, refusal);
            QCOMPARE(boxes.m_shown[0].m_strCaption, QStringLiteral("FennmereSetup"));
            QCOMPARE(stored, 0.0);
        }
    }

    void ARefusedFieldStopsTheStoreThere()
    {
        CDialogForm form(Fields());
        test::CRecordingBoxes boxes;
        form.ControlAs<QLineEdit>(10)->setText("1");
        form.ControlAs<QLineEdit>(11)->setText("two");
        form.ControlAs<QLineEdit>(12)->setText("3");
        int32_t a = 0, b = 0, c = 0;
        CText port = L"before";
        CDataExchange dx(form, true, boxes);
        dx.Integer(10, a);
        dx.Integer(11, b);
        dx.Integer(12, c);
        dx.Text(20, port);
        QVERIFY(dx.Failed());
        QCOMPARE(a, 1);
        QCOMPARE(b, 0);
        QCOMPARE(c, 0);
        QCOMPARE(port, CText(L"before"));
        QCOMPARE(boxes.m_shown.size(), std::size_t(1));
    }

    void RealsReadBackAsTheSameFloat_data()
    {
        QTest::addColumn<float>("value");
        QTest::newRow("tenth") << 0.1f;
        QTest::newRow("reference voltage") << 2500.0f;
        QTest::newRow("third") << 1.0f / 3.0f;
        QTest::newRow("many digits") << 1234.5677f;
        QTest::newRow("largest") << std::numeric_limits<float>::max();
        QTest::newRow("smallest") << std::numeric_limits<float>::denorm_min();
        QTest::newRow("negative") << -0.000123456f;
    }
    void RealsReadBackAsTheSameFloat()
    {
        QFETCH(float, value);
        CDialogForm form(Fields());
        test::CRecordingBoxes boxes;
        float shown = value;
        CDataExchange load(form, false, boxes);
        load.Real(10, shown);
        float stored = 0.0f;
        CDataExchange store(form, true, boxes);
        store.Real(10, stored);
        QVERIFY(boxes.m_shown.empty());
        QVERIFY(std::memcmp(&stored, &value, sizeof value) == 0);
    }

    void RealsAreShownWithoutNeedlessDigits()
    {
        QCOMPARE(CDataExchange::FormatReal(2500.0f), QStringLiteral("2500"));
        QCOMPARE(CDataExchange::FormatReal(0.1f), QStringLiteral("0.1"));
        QCOMPARE(CDataExchange::FormatReal(1.0f), QStringLiteral("1"));
    }

    void ListsShowAndStoreTheirTextExactly()
    {
        CDialogForm form(Fields());
        test::CRecordingBoxes boxes;
        auto* ports = form.ControlAs<CComboList>(20);
        CText port = L"COM1";
        CDataExchange(form, false, boxes).Text(20, port);
        // Not "COM10", the first item that begins with "COM1".
        QCOMPARE(ports->EditText(), QStringLiteral("COM1"));
        QCOMPARE(ports->GetCurSel(), ports->FindStringExact("COM1"));

        ports->setEditText("com7 ");
        CDataExchange(form, true, boxes).Text(20, port);
        QCOMPARE(port, CText(L"com7 "));

        CText parity = L"Odd";
        CDataExchange(form, false, boxes).Text(21, parity);
        form.ControlAs<CComboList>(21)->SetCurSel(1);
        CDataExchange(form, true, boxes).Text(21, parity);
        QCOMPARE(parity, CText(L"Even"));
    }

    void CheckBoxesExchangeZeroOrOne()
    {
        CDialogForm form(Fields());
        test::CRecordingBoxes boxes;
        int32_t flag = 1;
        CDataExchange(form, false, boxes).Check(30, flag);
        QVERIFY(form.ControlAs<QCheckBox>(30)->isChecked());
        form.ControlAs<QCheckBox>(30)->setChecked(false);
        CDataExchange(form, true, boxes).Check(30, flag);
        QCOMPARE(flag, 0);
    }
};

QTEST_MAIN(CDataExchangeTest)
#include "dataexchange_test.moc"
