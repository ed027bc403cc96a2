// The one way the application shows a message box. Everything that tells the
// operator something in a box (refused numbers, transfer results, refused
// file commands) goes through this interface, so that tests can answer the
// boxes instead of an operator.
#pragma once

#include <QString>

class QWidget;

namespace fennmere {

enum class EMessageIcon { None, Information, Warning, Error };

class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;

    // Shows text in a modal box with caption, icon and an OK button, and
    // returns when the operator has closed it. owner may be nullptr.
    // Window thread only.
    virtual void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon) = 0;
};

}  // namespace fennmere
