// CModemView: the Modem page, modem, e-mail, FTP and SMS-centre settings.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CModemView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CModemView(QWidget* parent);
};

}  // namespace fennmere
