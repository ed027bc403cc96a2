// CAnalogView: the Analog page, analog channels AIN1 to AIN20.
// The page carries its communication panel and logo; its own controls and
// bindings are still to come.
//
// Window thread only.
#pragma once

#include "configpageview.h"

namespace fennmere {

class CAnalogView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CAnalogView(QWidget* parent);

    // Asks the frame to bring the Serial page to the front (posted, so it
    // happens after every page has had its initial update), then the
    // configuration page's initial update.
    void OnInitialUpdate() override;

    // Update reaction: lays the page on display out for the variant.
    void OnUpdate(CPageView* sender, int hint) override;
};

}  // namespace fennmere
