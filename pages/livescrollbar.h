// CLiveScrollBar: a scroll bar of the live list. Every new row lays out the
// list again, and that repaints both scroll bars although, once the list is
// long, nothing drawn on them changes: the style's painting of the two bars
// then cost more than the rows. This bar keeps its last picture and shows it
// again while everything the style draws it from is the same.
//
// Window thread only.
#pragma once

#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace fennmere {

class CLiveScrollBar : public QScrollBar {
    Q_OBJECT
public:
    CLiveScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The picture and what it was drawn from.
    QPixmap m_picture;
    QStyleOptionSlider m_drawn;
    qreal m_fPixelRatio = 0;
};

}  // namespace fennmere
