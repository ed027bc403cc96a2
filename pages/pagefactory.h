// Making the nine pages by page number.
#pragma once

#include <functional>

class QWidget;

namespace fennmere {

class CPageView;

// Makes page 1 to 9 as a hidden child of parent (which owns it). Window
// thread only.
using CPageFactory = std::function<CPageView*(int page, QWidget* parent)>;

// The program's pages: CAnalogView, CDigitalView, CSerialView, CInternalView,
// COutputView, CEwsView, CSystemView, CModemView, CLiveView.
CPageView* CreateStandardPage(int page, QWidget* parent);

}  // namespace fennmere
