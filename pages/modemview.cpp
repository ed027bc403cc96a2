#include "modemview.h"

#include "resourceids.h"

namespace fennmere {

CModemView::CModemView(QWidget* parent) : CConfigPageView(kPageModem, kPageTemplate[kPageModem], parent) {}

}  // namespace fennmere
