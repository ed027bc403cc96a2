// The message boxes an operator sees: QMessageBox, modal, with one OK button
// or, for a question, Yes and No.
#pragma once

#include "messageboxes.h"

namespace fennmere {

class CWidgetMessageBoxes final : public CMessageBoxes {
public:
    // Window thread only.
    void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
              const QString& detail = QString()) override;
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;
};

}  // namespace fennmere
