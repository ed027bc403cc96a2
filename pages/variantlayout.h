// The variant layout: which controls of a page the logger variant this
// program is built for has. Every page hides some controls for good (the
// fixed steps); the Analog, Digital, Internal, Output and System pages also
// have a table that shows, hides, enables or disables controls per variant.
#pragma once

#include <cstdint>
#include <span>

namespace fennmere {

class CDialogForm;

// The logger variant this program configures (1 to 6).
inline constexpr int kProductVariant = 5;

// One row of a page's variant table.
struct CVariantEntry {
    int m_nControl;       // control number
    int m_nKind;          // 1, 2 or 3: how the page treats the control
    uint8_t m_nVariants;  // bit v-1 set: the control belongs to variant v
};

// The variant table of page 1 to 9 (empty for pages without one).
std::span<const CVariantEntry> VariantTable(int page);

// Lays out the form of page 1 to 9 for variant: shows the logo, carries out
// the page's fixed steps, then its variant table. Window thread only.
void LayOutForVariant(int page, CDialogForm& form, int variant = kProductVariant);

}  // namespace fennmere
