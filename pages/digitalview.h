// CDigitalView: the Digital page, digital channels DIN1 to DIN8.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CDigitalView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CDigitalView(QWidget* parent);

    // Update reaction: lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;
};

}  // namespace fennmere
