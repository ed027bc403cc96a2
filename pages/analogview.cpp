#include "analogview.h"

#include "app/nimbrelsetupdoc.h"
#include "resourceids.h"

namespace fennmere {

CAnalogView::CAnalogView(QWidget* parent) : CConfigPageView(kPageAnalog, kPageTemplate[kPageAnalog], parent) {}

void CAnalogView::OnInitialUpdate()
{
    if (GetDocument() != nullptr) GetDocument()->PostFrameMessage(kShowSerialPageMessage);
    CConfigPageView::OnInitialUpdate();
}

void CAnalogView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

}  // namespace fennmere
