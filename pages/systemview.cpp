#include "systemview.h"

#include <QPushButton>

#include "app/nimbrelsetupdoc.h"
#include "resourceids.h"

namespace fennmere {

namespace {

constexpr int kIdSetDefaultConfig = 1582;

}  // namespace

CSystemView::CSystemView(QWidget* parent) : CConfigPageView(kPageSystem, kPageTemplate[kPageSystem], parent)
{
    if (auto* button = ControlAs<QPushButton>(kIdSetDefaultConfig)) {
        connect(button, &QPushButton::clicked, this, &CConfigPageView::OnSetDefaultConfig);
    }
}

void CSystemView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    UpdateData(false);
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

}  // namespace fennmere
