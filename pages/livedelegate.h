// CLiveDelegate: paints the cells of the live list as the list's own
// delegate would, but keeps each cell's laid-out text. A new row on top moves
// every row down and the whole list is painted again; without the kept text
// every visible field would be shaped again at each new row.
//
// Cells whose text does not fit, carries more than one line, or that the
// list paints with a check box or icon are left to the standard painting.
//
// Window thread only.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace fennmere {

class CLiveModel;

class CLiveDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CLiveDelegate(const CLiveModel& model, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Cells whose text is kept (for the tests: it stays bounded).
    int KeptCells() const { return static_cast<int>(m_cells.size()); }

private:
    struct CCell {
        QStaticText m_text;
        Qt::Alignment m_alignment;
        int m_nWidth = 0;  // of the text area it was laid out in
        bool m_bFits = false;
    };

    static quint64 Key(int storedRow, int column);
    // The kept cell of index for a text area width wide, or nullptr.
    const CCell* Find(const QModelIndex& index, int width) const;
    // Lays out the cell's text (opt as the standard painting sees it).
    const CCell& Make(const QModelIndex& index, const QStyleOptionViewItem& opt, int width) const;
    void Draw(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, const CCell& cell) const;
    void Forget() const;

    const CLiveModel& m_model;
    // Keyed by stored row and column, so that a new row leaves the others.
    mutable QHash<quint64, CCell> m_cells;
    mutable QFont m_font;
    mutable int m_nLineHeight = -1;
};

}  // namespace fennmere
