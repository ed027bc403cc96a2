// The message boxes an operator sees: QMessageBox, modal, with one OK button
// or, for a question, Yes and No (and Cancel).
#pragma once

#include <vector>

#include "messageboxes.h"

class QMessageBox;

namespace fennmere {

class CWidgetMessageBoxes final : public CMessageBoxes {
public:
    // Window thread only.
    void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
              const QString& detail = QString()) override;
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;
    EAnswer AskYesNoCancel(QWidget* owner, const QString& text, const QString& caption) override;

private:
    // Shows box modally. A box that opens while another is still open (a
    // transfer's report arriving during a refusal) opens offset from it,
    // never exactly on top where it would hide the first one.
    int Run(QMessageBox& box);

    std::vector<QMessageBox*> m_open;
};

}  // namespace fennmere
