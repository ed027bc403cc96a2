// The pages as the toolbar offers them: in toolbar order, each with its
// caption and whether this variant offers it.
#pragma once

#include <array>

#include "resourceids.h"

namespace fennmere {

struct CPageButton {
    int m_nPage;
    const char* m_pszLabel;
    bool m_bHandled;  // the variant offers the page
};

inline constexpr std::array<CPageButton, kPageCount> kPageButtons{{
    {kPageAnalog, "Analog", false},
    {kPageDigital, "Digital", false},
    {kPageSerial, "Serial", true},
    {kPageInternal, "Internal", true},
    {kPageOutput, "Output", true},
    {kPageEws, "EWS", false},
    {kPageSystem, "System", true},
    {kPageModem, "Modem", true},
    {kPageLive, "LiveView", true},
}};

}  // namespace fennmere
