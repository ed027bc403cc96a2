#include "dialogform.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVariant>

#include <cmath>

#include "combolist.h"

namespace fennmere {

namespace {

constexpr char kControlProperty[] = "fennmereControl";

// A closed list is one text line high, whatever height the template gives
// its drop-down.
constexpr int kClosedListHeight = 12;
// Labels up to this height hold one line of text.
constexpr int kOneLineHeight = 10;

int Scale(int units, int base, int divisor)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

Qt::Alignment TextAlignment(const CControlTemplate& control)
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (control.Has(kFlagCenter)) horizontal = Qt::AlignHCenter;
    if (control.Has(kFlagRight)) horizontal = Qt::AlignRight;
    return horizontal;
}

}  // namespace

CDialogForm::CDialogForm(const CDialogTemplate& tmpl, QWidget* parent) : QWidget(parent), m_template(tmpl)
{
    setFont(FontFor(tmpl));
    m_baseUnits = BaseUnitsFor(font());
    setFixedSize(MapDialogRect(QRect(QPoint(0, 0), tmpl.m_size)).size());

    std::vector<QWidget*> groups;
    for (const CControlTemplate& control : m_template.m_controls) {
        QWidget* widget = CreateControl(control);
        if (control.m_kind == EControlKind::Group) groups.push_back(widget);
        if (control.m_nId != -1) {
            widget->setProperty(kControlProperty, control.m_nId);
            widget->setObjectName(QStringLiteral("control%1").arg(control.m_nId));
            m_controls.insert(control.m_nId, widget);
        }
        if (control.Has(kFlagDisabled)) widget->setEnabled(false);
        if (control.Has(kFlagHidden)) widget->setVisible(false);
    }
    // Frames are drawn behind the controls they surround.
    for (QWidget* group : groups) group->lower();
}

int CDialogForm::ControlNumber(const QWidget* widget)
{
    const QVariant id = widget != nullptr ? widget->property(kControlProperty) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}

QRect CDialogForm::MapDialogRect(const QRect& rect) const
{
    const int w = m_baseUnits.width();
    const int h = m_baseUnits.height();
    return QRect(Scale(rect.x(), w, 4), Scale(rect.y(), h, 8), Scale(rect.width(), w, 4), Scale(rect.height(), h, 8));
}

QSize CDialogForm::BaseUnitsFor(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize(std::max(1, (letters + 26) / 52), std::max(1, metrics.height()));
}

QFont CDialogForm::FontFor(const CDialogTemplate& tmpl)
{
    QFont font = QApplication::font();
    font.setPointSizeF(tmpl.m_dPointSize);
    if (QFontDatabase::hasFamily(tmpl.m_strFont)) {
        font.setFamily(tmpl.m_strFont);
        return font;
    }
    // The templates are laid out for a dialog font of about 6 by 13 pixels at
    // 8 points; a wider font would push the panel off the window. These
    // families share that width.
    if (tmpl.m_strFont == QLatin1String("MS Shell Dlg")) {
        for (const char* family :
             {"Tahoma", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial", "DejaVu Sans Condensed"}) {
            if (QFontDatabase::hasFamily(QLatin1String(family))) {
                font.setFamily(QLatin1String(family));
                return font;
            }
        }
    }
    return font;
}

namespace {

// A one-line label keeps its template place: in a font wider than the
// template's its text would run into the control beside it, or into the
// next label. The font is made smaller until the text fits with a little
// room to spare; what still does not fit is elided, with the whole text as
// its tooltip.
void FitOneLine(QLabel& label, int width)
{
    constexpr int kRoom = 3;
    constexpr double kSmallestPoints = 6.0;
    const QString text = label.text();
    const int room = std::max(1, width - kRoom);
    QFont font = label.font();
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() - 0.5 >= kSmallestPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label.setFont(font);
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(text) > room) {
        label.setText(metrics.elidedText(text, Qt::ElideRight, room));
        label.setToolTip(text);
    }
}

}  // namespace

QWidget* CDialogForm::CreateControl(const CControlTemplate& control)
{
    QRect rect = MapDialogRect(control.m_rect);
    QWidget* widget = nullptr;
    switch (control.m_kind) {
        case EControlKind::Static: {
            auto* label = new QLabel(control.m_strText, this);
            label->setAlignment(TextAlignment(control) | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            if (control.m_rect.height() > kOneLineHeight) {
                label->setWordWrap(true);
            } else {
                FitOneLine(*label, rect.width());
            }
            widget = label;
            break;
        }
        case EControlKind::Edit: {
            auto* edit = new QLineEdit(control.m_strText, this);
            edit->setAlignment(TextAlignment(control) | Qt::AlignVCenter);
            edit->setReadOnly(control.Has(kFlagReadOnly));
            if (control.Has(kFlagPassword)) edit->setEchoMode(QLineEdit::Password);
            edit->setFrame(control.Has(kFlagBorder));
            widget = edit;
            break;
        }
        case EControlKind::Check:
            widget = new QCheckBox(control.m_strText, this);
            break;
        case EControlKind::ComboDropDown:
        case EControlKind::ComboDropList: {
            auto* combo = new CComboList(control.m_kind == EControlKind::ComboDropDown, control.Has(kFlagSorted), this);
            for (const QString& item : control.m_items) combo->AddString(item);
            if (combo->isEditable()) {
                combo->SetEditTextExactly(control.m_strText);
            } else {
                combo->SetCurSel(-1);
            }
            rect.setHeight(MapDialogRect(QRect(0, 0, 0, kClosedListHeight)).height());
            widget = combo;
            break;
        }
        case EControlKind::Button: {
            auto* button = new QPushButton(control.m_strText, this);
            button->setDefault(control.Has(kFlagDefault));
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case EControlKind::Group:
            widget = new QGroupBox(control.m_strText, this);
            break;
        case EControlKind::Progress: {
            auto* bar = new QProgressBar(this);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
        case EControlKind::ListView: {
            // A report: column headings, whole rows selected, nothing edited in
            // place.
            // The page gives the list its own model; until then the headings
            // are the template's.
            auto* list = new QTableView(this);
            auto* headings = new QStandardItemModel(0, static_cast<int>(control.m_items.size()), list);
            headings->setHorizontalHeaderLabels(control.m_items);
            list->setModel(headings);
            list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            list->horizontalHeader()->setStretchLastSection(false);
            list->verticalHeader()->hide();
            list->setShowGrid(control.Has(kFlagGrid));
            list->setSelectionBehavior(QAbstractItemView::SelectRows);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setWordWrap(false);
            if (!control.Has(kFlagBorder)) list->setFrameShape(QFrame::NoFrame);
            widget = list;
            break;
        }
        case EControlKind::Picture: {
            auto* picture = new QLabel(this);
            const QPixmap pixmap(QStringLiteral(":/images/%1.png").arg(control.m_strImage));
            picture->setPixmap(pixmap.scaled(rect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (control.Has(kFlagBorder)) picture->setFrameShape(QFrame::Box);
            widget = picture;
            break;
        }
    }
    widget->setGeometry(rect);
    return widget;
}

}  // namespace fennmere
