// The one way the application shows a message box. Everything that tells the
// operator something in a box (refused numbers, transfer results, refused
// file commands) or asks a question goes through this interface, so that
// tests can answer the boxes instead of an operator.
#pragma once

#include <QString>

class QWidget;

namespace fennmere {

enum class EMessageIcon { None, Information, Warning, Error };

// The answers to a question with Yes, No and Cancel.
enum class EAnswer { Yes, No, Cancel };

class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;

    // Shows text in a modal box with caption, icon and an OK button, and
    // returns when the operator has closed it. A non-empty detail is kept
    // behind the box's "Show Details..." button: what a field technician
    // can act on, too long for the box itself. owner may be nullptr.
    // Window thread only.
    virtual void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
                      const QString& detail = QString()) = 0;

    // Asks text in a modal box with caption and the buttons Yes and No;
    // true for Yes. No is the answer to Escape and Enter, so that nothing
    // is stopped by a key pressed in passing. owner may be nullptr. Window
    // thread only.
    virtual bool Ask(QWidget* owner, const QString& text, const QString& caption) = 0;

    // Asks text in a modal box with caption and the buttons Yes, No and
    // Cancel ("Save changes to NAME?"). Escape is Cancel, so that a key
    // pressed in passing neither saves nor drops anything. owner may be
    // nullptr. Window thread only.
    virtual EAnswer AskYesNoCancel(QWidget* owner, const QString& text, const QString& caption) = 0;
};

}  // namespace fennmere
