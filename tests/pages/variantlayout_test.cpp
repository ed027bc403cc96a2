// The variant layout: the logo and device controls on every page on display,
// and the per-page tables with their kinds.
#include <QtTest>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/configpageview.h"
#include "pages/dialogform.h"
#include "pages/resourceids.h"
#include "pages/variantlayout.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

// A form with an edit for every number given, all shown and enabled.
CDialogTemplate FormWith(const std::vector<int>& ids)
{
    CDialogTemplate tmpl;
    tmpl.m_nId = 1;
    tmpl.m_size = QSize(100, 100);
    for (int id : ids) {
        CControlTemplate control;
        control.m_nId = id;
        control.m_kind = EControlKind::Edit;
        control.m_rect = QRect(0, 0, 10, 10);
        tmpl.m_controls.push_back(control);
    }
    return tmpl;
}

std::vector<int> TableControls(int page)
{
    std::vector<int> ids;
    for (const CVariantEntry& entry : VariantTable(page)) ids.push_back(entry.m_nControl);
    return ids;
}

}  // namespace

class CVariantLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void EveryPageShowsItsLogoAndHidesTheDeviceChoiceButEws()
    {
        CTestApp app;
        for (int page = 1; page <= kPageCount; ++page) {
            app.Frame().ShowPage(page);
            CPageView* shown = app.Frame().GetActivePage();
            QCOMPARE(shown->PageNumber(), page);
            QVERIFY2(!shown->Control(kIdLogo)->isHidden(), qPrintable(QString::number(page)));
            if (page == kPageLive) {
                QVERIFY(shown->Control(1549)->isHidden());
                continue;
            }
            const CPanelIds ids = CConfigPageView::PanelIdsFor(page);
            QCOMPARE(shown->Control(ids.m_nDevice)->isHidden(), page != kPageEws);
            QCOMPARE(shown->Control(ids.m_nDeviceLabel)->isHidden(), page != kPageEws);
        }
    }

    void TheTablesHaveEveryRow()
    {
        QCOMPARE(VariantTable(kPageAnalog).size(), std::size_t(104));
        QCOMPARE(VariantTable(kPageDigital).size(), std::size_t(32));
        QCOMPARE(VariantTable(kPageInternal).size(), std::size_t(20));
        QCOMPARE(VariantTable(kPageOutput).size(), std::size_t(32));
        QCOMPARE(VariantTable(kPageSystem).size(), std::size_t(1));
    }

    void InternalPageKeepsOnlyTheInputsOfThisVariant()
    {
        std::vector<int> ids = TableControls(kPageInternal);
        ids.insert(ids.end(), {1604, 1613, 1590, 1393, 1080, 1072, 1594, 1110, 1117});
        CDialogForm form(FormWith(ids));
        LayOutForVariant(kPageInternal, form);
        for (int id : TableControls(kPageInternal)) {
            const bool kept = id == 1115 || id == 1116 || id == 1122 || id == 1129;
            QCOMPARE(form.Control(id)->isHidden(), !kept);
            QCOMPARE(form.Control(id)->isEnabled(), kept);
        }
        for (int id : {1604, 1613, 1590, 1393, 1080, 1072, 1594, 1110}) QVERIFY(form.Control(id)->isHidden());
        QVERIFY(!form.Control(1117)->isHidden());
    }

    void KindsDecideBetweenShowingAndEnabling()
    {
        // Output: kind 1 enables and shows. Digital: kind 1 only shows.
        CDialogForm output(FormWith({1431}));
        LayOutForVariant(kPageOutput, output);
        QVERIFY(output.Control(1431)->isHidden());
        QVERIFY(!output.Control(1431)->isEnabled());
        CDialogForm digital(FormWith({1220}));
        LayOutForVariant(kPageDigital, digital);
        QVERIFY(digital.Control(1220)->isHidden());
        QVERIFY(digital.Control(1220)->isEnabled());
        // System: the display size (kind 2) is shown or hidden; the field
        // 1535 ends hidden and disabled.
        CDialogForm system(FormWith({1543, 1535, 1584, 1614, 1075}));
        LayOutForVariant(kPageSystem, system);
        for (int id : {1543, 1535, 1584, 1614, 1075}) QVERIFY(system.Control(id)->isHidden());
        QVERIFY(!system.Control(1535)->isEnabled());
    }

    void OtherVariantsReadTheirOwnFlags()
    {
        CDialogForm form(FormWith({1086, 1070, 1543}));
        LayOutForVariant(kPageAnalog, form, 1);
        QVERIFY(!form.Control(1086)->isHidden());  // AIN5 MEASURE: variant 1 only
        LayOutForVariant(kPageAnalog, form, 6);
        QVERIFY(form.Control(1086)->isHidden());
        QVERIFY(!form.Control(1070)->isHidden());  // AIN1 MEASURE: all but variant 5
        LayOutForVariant(kPageSystem, form, 6);
        QVERIFY(!form.Control(1543)->isHidden());
    }
};

QTEST_MAIN(CVariantLayoutTest)
#include "variantlayout_test.moc"
