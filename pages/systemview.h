// CSystemView: the System page, the logger's system settings.
// The page carries its communication panel, its logo and "Set Default Config"
// (which stores the page and starts the default-configuration transfer); its
// other controls and bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CSystemView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CSystemView(QWidget* parent);

    // Update reaction: loads the page, then lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;
};

}  // namespace fennmere
