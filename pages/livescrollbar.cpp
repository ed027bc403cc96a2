#include "livescrollbar.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <tuple>

namespace fennmere {

namespace {

// The parts of a scroll bar as the style places them.
QRect Part(const QScrollBar& bar, const QStyleOptionSlider& option, QStyle::SubControl part)
{
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar);
}

// Whether the style draws the same picture from both: the range counts only
// through where the slider is, how long it is and whether it is at an end.
bool SamePicture(const QScrollBar& bar, const QStyleOptionSlider& a, const QStyleOptionSlider& b)
{
    const auto atEnds = [](const QStyleOptionSlider& o) {
        return std::make_tuple(o.sliderValue == o.minimum, o.sliderValue == o.maximum, o.minimum == o.maximum);
    };
    return a.rect == b.rect && a.state == b.state && a.direction == b.direction &&
           a.palette.cacheKey() == b.palette.cacheKey() && a.orientation == b.orientation &&
           a.upsideDown == b.upsideDown && a.subControls == b.subControls &&
           a.activeSubControls == b.activeSubControls && atEnds(a) == atEnds(b) &&
           Part(bar, a, QStyle::SC_ScrollBarSlider) == Part(bar, b, QStyle::SC_ScrollBarSlider) &&
           Part(bar, a, QStyle::SC_ScrollBarGroove) == Part(bar, b, QStyle::SC_ScrollBarGroove);
}

}  // namespace

CLiveScrollBar::CLiveScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

void CLiveScrollBar::paintEvent(QPaintEvent* event)
{
    // Under the mouse or pressed the bar shows which part is hovered or
    // held, which only the standard painting knows.
    if (underMouse() || isSliderDown() || QApplication::mouseButtons() != Qt::NoButton) {
        m_picture = QPixmap();
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    const qreal ratio = devicePixelRatioF();
    if (m_picture.isNull() || ratio != m_fPixelRatio || !SamePicture(*this, option, m_drawn)) {
        m_picture = QPixmap(size() * ratio);
        m_picture.setDevicePixelRatio(ratio);
        m_picture.fill(Qt::transparent);
        QPainter painter(&m_picture);
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        m_drawn = option;
        m_fPixelRatio = ratio;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

}  // namespace fennmere
