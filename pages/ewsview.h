// CEwsView: the EWS page, early-warning alarms and SMS numbers.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CEwsView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CEwsView(QWidget* parent);
};

}  // namespace fennmere
