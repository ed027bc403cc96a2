#include "pagefactory.h"

#include "analogview.h"
#include "digitalview.h"
#include "ewsview.h"
#include "internalview.h"
#include "liveview.h"
#include "modemview.h"
#include "outputview.h"
#include "resourceids.h"
#include "serialview.h"
#include "systemview.h"

namespace fennmere {

CPageView* CreateStandardPage(int page, QWidget* parent)
{
    switch (page) {
        case kPageAnalog:
            return new CAnalogView(parent);
        case kPageDigital:
            return new CDigitalView(parent);
        case kPageSerial:
            return new CSerialView(parent);
        case kPageInternal:
            return new CInternalView(parent);
        case kPageOutput:
            return new COutputView(parent);
        case kPageEws:
            return new CEwsView(parent);
        case kPageSystem:
            return new CSystemView(parent);
        case kPageModem:
            return new CModemView(parent);
        case kPageLive:
            return new CLiveView(parent);
        default:
            return nullptr;
    }
}

}  // namespace fennmere
