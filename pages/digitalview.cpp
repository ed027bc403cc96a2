#include "digitalview.h"

#include "app/nimbrelsetupdoc.h"
#include "resourceids.h"

namespace fennmere {

CDigitalView::CDigitalView(QWidget* parent) : CConfigPageView(kPageDigital, kPageTemplate[kPageDigital], parent) {}

void CDigitalView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

}  // namespace fennmere
