#include "livedelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include "livemodel.h"

namespace fennmere {

namespace {

// Enough for the visible cells of a large window several times over; when
// more are kept they are all dropped and the visible ones made again.
constexpr qsizetype kMaxKeptCells = 4096;

// The height the style centres a line of this font by.
int LineHeight(const QFont& font)
{
    QTextLayout layout(QStringLiteral("0"), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout.boundingRect().size().toSize().height();
}

}  // namespace

CLiveDelegate::CLiveDelegate(const CLiveModel& model, QObject* parent) : QStyledItemDelegate(parent), m_model(model)
{
    // Stored rows are numbered again from 0 after the rows are dropped, and
    // columns move when they change.
    const auto forget = [this] { Forget(); };
    connect(&model, &QAbstractItemModel::modelReset, this, forget);
    connect(&model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(&model, &QAbstractItemModel::dataChanged, this, forget);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(&model, &QAbstractItemModel::columnsRemoved, this, forget);
    connect(&model, &QAbstractItemModel::columnsInserted, this, forget);
}

void CLiveDelegate::Forget() const
{
    m_cells.clear();
}

quint64 CLiveDelegate::Key(int storedRow, int column)
{
    return (static_cast<quint64>(static_cast<quint32>(storedRow)) << 16) | static_cast<quint16>(column);
}

const CLiveDelegate::CCell* CLiveDelegate::Find(const QModelIndex& index, int width) const
{
    // A stored row never changes, so a kept cell holds its text for as long
    // as the rows and columns stay.
    const auto it = m_cells.constFind(Key(m_model.StoredRowFor(index.row()), index.column()));
    return it != m_cells.constEnd() && it->m_nWidth == width ? &*it : nullptr;
}

const CLiveDelegate::CCell& CLiveDelegate::Make(const QModelIndex& index, const QStyleOptionViewItem& opt,
                                                int width) const
{
    if (m_cells.size() >= kMaxKeptCells) m_cells.clear();
    CCell& cell = m_cells[Key(m_model.StoredRowFor(index.row()), index.column())];
    cell.m_alignment = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
    QTextOption option(cell.m_alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::ManualWrap);
    cell.m_text = QStaticText(opt.text);
    cell.m_text.setTextFormat(Qt::PlainText);
    cell.m_text.setTextOption(option);
    cell.m_text.setTextWidth(width);
    cell.m_text.prepare(QTransform(), m_font);
    cell.m_nWidth = width;
    // Cells the standard painting changes further: elided, several lines,
    // a check box or icon.
    const QStyleOptionViewItem::ViewItemFeatures plain =
        QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::WrapText | QStyleOptionViewItem::Alternate;
    cell.m_bFits = !opt.text.isEmpty() && !(opt.features & ~plain) && !opt.text.contains(QChar::LineSeparator) &&
                   cell.m_text.size().width() <= width;
    return cell;
}

void CLiveDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The focused cell (its frame) and right-to-left text go the standard way.
    if ((option.state & (QStyle::State_HasFocus | QStyle::State_Editing)) || option.direction != Qt::LeftToRight) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (option.font != m_font || m_nLineHeight < 0) {
        Forget();
        m_font = option.font;
        m_nLineHeight = LineHeight(m_font);
    }
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // Where the style puts the text of a cell without icon and check box.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int width = option.rect.width() - 2 * margin;
    const CCell* cell = Find(index, width);
    if (cell == nullptr) {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        cell = &Make(index, opt, width);
    }
    if (!cell->m_bFits) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    Draw(painter, option, index, *cell);
}

void CLiveDelegate::Draw(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                         const CCell& cell) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
    // The background as the style draws it; a plain cell has none (the
    // model gives no background colours).
    if ((option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) ||
        (option.features & QStyleOptionViewItem::Alternate)) {
        QStyleOptionViewItem opt = option;
        opt.index = index;
        opt.features &= ~QStyleOptionViewItem::HasDisplay;
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }
    QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(option.state & QStyle::State_Active)) group = QPalette::Inactive;
    const int top =
        QStyle::alignedRect(Qt::LeftToRight, cell.m_alignment, QSize(textRect.width(), m_nLineHeight), textRect).top();
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(m_font);
    painter->setPen(option.palette.color(
        group, (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter->drawStaticText(QPointF(textRect.x(), top), cell.m_text);
    painter->restore();
}

}  // namespace fennmere
