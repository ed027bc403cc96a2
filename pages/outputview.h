// COutputView: the Output page, outputs OUT1 to OUT32 and the polynomials.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class COutputView : public CConfigPageView {
    Q_OBJECT
public:
    explicit COutputView(QWidget* parent);
};

}  // namespace fennmere
