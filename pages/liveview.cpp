#include "liveview.h"

#include "resourceids.h"

namespace fennmere {

CLiveView::CLiveView(QWidget* parent) : CPageView(kPageLive, kPageTemplate[kPageLive], parent) {}

}  // namespace fennmere
