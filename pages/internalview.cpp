#include "internalview.h"

#include "app/nimbrelsetupdoc.h"
#include "resourceids.h"

namespace fennmere {

CInternalView::CInternalView(QWidget* parent) : CConfigPageView(kPageInternal, kPageTemplate[kPageInternal], parent) {}

void CInternalView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    UpdateData(false);
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

}  // namespace fennmere
