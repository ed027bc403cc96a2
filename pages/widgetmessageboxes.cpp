#include "widgetmessageboxes.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace fennmere {

namespace {

// Room in the title bar beside the title: the window manager's buttons and
// the bar's own margins.
constexpr int kTitleBarMargin = 120;

// Some window managers make a box no wider than its contents, cutting a
// longer title short. QMessageBox sizes itself from its layout (a minimum
// width set on the box is overridden), so the width goes in as a spacer.
void FitTitle(QMessageBox& box)
{
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    const int width = metrics.horizontalAdvance(box.windowTitle()) + kTitleBarMargin;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

}  // namespace

int CWidgetMessageBoxes::Run(QMessageBox& box)
{
    FitTitle(box);
    if (!m_open.empty()) {
        constexpr int kOffset = 40;
        QMessageBox& below = *m_open.back();
        box.adjustSize();
        box.move(below.pos() + QPoint(kOffset, kOffset));
    }
    m_open.push_back(&box);
    const int answer = box.exec();
    m_open.pop_back();
    return answer;
}

void CWidgetMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
                               const QString& detail)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case EMessageIcon::None:
            boxIcon = QMessageBox::NoIcon;
            break;
        case EMessageIcon::Information:
            boxIcon = QMessageBox::Information;
            break;
        case EMessageIcon::Warning:
            boxIcon = QMessageBox::Warning;
            break;
        case EMessageIcon::Error:
            boxIcon = QMessageBox::Critical;
            break;
    }
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    Run(box);
}

bool CWidgetMessageBoxes::Ask(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}

EAnswer CWidgetMessageBoxes::AskYesNoCancel(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (Run(box)) {
        case QMessageBox::Yes:
            return EAnswer::Yes;
        case QMessageBox::No:
            return EAnswer::No;
        default:
            return EAnswer::Cancel;
    }
}

}  // namespace fennmere
