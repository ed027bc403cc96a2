#include "windowplacement.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace fennmere {

void PlaceAsOwnWindow(QWidget& window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, &window, &QWidget::close);
    if (const QWidget* parent = window.parentWidget()) {
        const QRect owner = parent->window()->frameGeometry();
        window.move(owner.center() - window.rect().center());
    }
}

}  // namespace fennmere
