// CInternalView: the Internal page, internal channels IIN1 to IIN19.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CInternalView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CInternalView(QWidget* parent);

    // Update reaction: loads the page, then lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;
};

}  // namespace fennmere
