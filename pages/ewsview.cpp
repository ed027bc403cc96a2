#include "ewsview.h"

#include "resourceids.h"

namespace fennmere {

CEwsView::CEwsView(QWidget* parent) : CConfigPageView(kPageEws, kPageTemplate[kPageEws], parent) {}

}  // namespace fennmere
