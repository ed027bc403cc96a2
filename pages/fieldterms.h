// Configuration fields in the pages' own terms: the page, the row's label and
// the column's heading the operator sees ("Serial · SIN2 · COM"), instead of
// the flat path of `fennmere show` ("serial[2].port"). Fields that no page
// of this variant shows have no such name.
//
// Window thread only (the variant's layout is read from the pages' forms).
#pragma once

#include <QPoint>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/configdump.h"

namespace fennmere {

struct CPageField {
    int m_nPage = 0;       // kPageSerial, ...
    QString m_strPage;     // "Serial"
    QString m_strRow;      // "SIN2", "Name"
    QString m_strColumn;   // "COM"; empty where the page has no columns
    QPoint m_at;           // where its control sits on the page (dialog units)

    // "Serial · SIN2 · COM", "System · Name"
    QString Name() const;
};

// The field at a flat path ("serial[2].port") as its page shows it,
// or nothing when no page this variant offers shows it (a page the toolbar
// does not offer, a control the variant's layout hides, a row beyond the
// page's, a field that belongs to the computer or to the logger's tables).
std::optional<CPageField> FieldOnPage(std::string_view path);

// One field in page terms with its values as the flat form writes them.
struct CPageValue {
    CPageField m_field;
    std::vector<std::string> m_values;
};

struct CPageTable {
    // Grouped by page in toolbar order, within a page as the page reads: by
    // line, then from left to right.
    std::vector<CPageValue> m_rows;
    // Fields left out because no page of the variant shows them.
    int m_nNotOnPage = 0;
};

// Differences in page terms. Values the logger takes to mean the same (a
// serial sensor's driver "" and "0": no driver) are not differences.
CPageTable DifferencesOnPages(const std::vector<CFieldDifference>& differences);

// Every field of config a page shows, with its value.
CPageTable ConfigurationOnPages(const CConfiguration& config);

}  // namespace fennmere
