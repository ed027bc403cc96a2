// CLiveView: the live page, which shows the data lines a connected logger
// sends. It has no communication panel: live acquisition uses the port and
// baud rate a configuration page last stored. Its list, line display and
// buttons are still to come.
//
// Window thread only.
#pragma once

#include "pageview.h"

namespace fennmere {

class CLiveView : public CPageView {
    Q_OBJECT
public:
    explicit CLiveView(QWidget* parent);
};

}  // namespace fennmere
