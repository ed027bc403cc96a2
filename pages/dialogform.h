// CDialogForm: the widgets of one dialog template, placed where the template
// puts them. Positions are converted from dialog units with the form font's
// base units (average character width w and height h: x*w/4, y*h/8), so a
// form keeps its layout and grows with its font. Controls are found by their
// numbers.
//
// Window thread only.
#pragma once

#include <QHash>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "dialogtemplate.h"

class QFont;

namespace fennmere {

class CDialogForm : public QWidget {
    Q_OBJECT
public:
    // Builds every control of tmpl as a child of the form, in template order
    // (which is also the tab order). The form is as large as the template.
    explicit CDialogForm(const CDialogTemplate& tmpl, QWidget* parent = nullptr);

    const CDialogTemplate& Template() const { return m_template; }

    // The control with number id, or nullptr when the template has none.
    QWidget* Control(int id) const { return m_controls.value(id, nullptr); }
    template <class T>
    T* ControlAs(int id) const
    {
        return qobject_cast<T*>(Control(id));
    }
    // The control number of a widget made from the template, or -1.
    static int ControlNumber(const QWidget* widget);

    // Dialog units to pixels with this form's base units.
    QRect MapDialogRect(const QRect& rect) const;
    QSize BaseUnits() const { return m_baseUnits; }

    // Base units of a font: the average width of the 52 letters A-Z, a-z
    // (rounded) and the line height.
    static QSize BaseUnitsFor(const QFont& font);
    // The font a template asks for, at its point size: its family when this
    // system has it, else a family of the same width, else the application's.
    static QFont FontFor(const CDialogTemplate& tmpl);

private:
    QWidget* CreateControl(const CControlTemplate& control);

    CDialogTemplate m_template;
    QSize m_baseUnits;
    QHash<int, QWidget*> m_controls;
};

}  // namespace fennmere
