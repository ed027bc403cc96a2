// Dialog templates: the declarative description of a page or dialog (its
// size, font and controls, all in dialog units) that CDialogForm turns into
// widgets. The templates are JSON files compiled into the program's resources
// as ":/templates/<id>.json"; resources/README.md describes the format.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace fennmere {

enum class EControlKind {
    Static,         // a label
    Edit,           // a one-line text field
    Check,          // a check box with its label
    ComboDropDown,  // a list with an edit field: any text may be typed
    ComboDropList,  // a list without edit field: only its items can be chosen
    Button,         // a push button
    Group,          // a group frame with a title
    Progress,       // a progress bar, 0 to 100
    ListView,       // a report-style list with column headings
    Picture,        // an image from the resources
};

// Control flags, combinable.
enum EControlFlag : uint32_t {
    kFlagSorted = 1u << 0,    // lists: items kept in text order
    kFlagHidden = 1u << 1,    // created hidden
    kFlagDisabled = 1u << 2,  // created disabled
    kFlagVScroll = 1u << 3,   // lists: vertical scroll bar in the drop-down
    kFlagHScroll = 1u << 4,   // edits: text scrolls horizontally
    kFlagBorder = 1u << 5,    // edits, pictures: a thin frame
    kFlagReadOnly = 1u << 6,  // edits: the operator cannot change the text
    kFlagPassword = 1u << 7,  // edits: characters shown masked
    kFlagCenter = 1u << 8,    // text centred
    kFlagRight = 1u << 9,     // text right-aligned
    kFlagSmooth = 1u << 10,   // progress bars: continuous, no text
    kFlagDefault = 1u << 11,  // buttons: the default button of a dialog
    kFlagGrid = 1u << 12,     // list views: grid lines
};

struct CControlTemplate {
    int m_nId = -1;  // control number; -1 for controls nobody refers to
    EControlKind m_kind = EControlKind::Static;
    // Position and size in dialog units. For lists the height is that of the
    // opened list; the closed list is as high as one line of text needs.
    QRect m_rect;
    QString m_strText;    // label, title or initial text
    QStringList m_items;  // lists: the items the template fills in
    QString m_strImage;   // pictures: resource name under ":/images/", without ".png"
    uint32_t m_nFlags = 0;

    bool Has(EControlFlag flag) const { return (m_nFlags & flag) != 0; }
};

struct CDialogTemplate {
    int m_nId = 0;
    QSize m_size;          // dialog units
    QString m_strCaption;  // dialogs: the window title
    QString m_strFont = QStringLiteral("MS Shell Dlg");
    double m_dPointSize = 8.0;
    bool m_bScroll = false;  // pages: the form scrolls when taller than the window
    std::vector<CControlTemplate> m_controls;

    // The control with number id, or nullptr.
    const CControlTemplate* Find(int id) const;
};

// Reads a template from its JSON text. On failure returns nothing and, when
// error is given, a description of the first fault. Any thread.
std::optional<CDialogTemplate> ParseDialogTemplate(const QByteArray& json, QString* error = nullptr);

// The template compiled in as ":/templates/<id>.json". A missing or broken
// template is a build fault: it is reported with qWarning and an empty
// template of that id is returned. Any thread.
CDialogTemplate LoadDialogTemplate(int id);

}  // namespace fennmere
