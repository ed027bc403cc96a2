#include "outputview.h"

#include "resourceids.h"

namespace fennmere {

COutputView::COutputView(QWidget* parent) : CConfigPageView(kPageOutput, kPageTemplate[kPageOutput], parent) {}

}  // namespace fennmere
