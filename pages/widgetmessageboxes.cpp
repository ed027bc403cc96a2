#include "widgetmessageboxes.h"

#include <QMessageBox>

namespace fennmere {

int CWidgetMessageBoxes::Run(QMessageBox& box)
{
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
