// The message boxes an operator sees: QMessageBox, modal, with one OK button.
#pragma once

#include "messageboxes.h"

namespace fennmere {

class CWidgetMessageBoxes final : public CMessageBoxes {
public:
    // Window thread only.
    void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon) override;
};

}  // namespace fennmere
