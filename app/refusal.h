// Refusals: the commands that are not carried out while a transfer or the
// live view uses the port, or while a transfer runs, and the one way the
// operator is told so.
//
// Window thread only.
#pragma once

#include <QString>

class QWidget;

namespace fennmere {

class CLinkControl;
class CMessageBoxes;

// The caption of the application's own message boxes.
inline const QString kAppTitle = QStringLiteral("FennmereSetup");

enum class ERefusal {
    // Refused while anything uses the port.
    SendChanges,
    FindLogger,
    ReadLogger,
    SendEntry,
    Terminal,
    // Refused while a transfer runs.
    OpenFile,
    SaveFile,
    OpenEntry,
};

// "The logger cannot be read while a transfer or the live view uses the
// port." and its siblings.
QString RefusalText(ERefusal refusal);

// Tells the operator in a warning box over owner.
void Refuse(CMessageBoxes& boxes, QWidget* owner, ERefusal refusal);

// Refuses (and returns true) while anything uses the port.
bool RefusedWhilePortInUse(const CLinkControl& link, CMessageBoxes& boxes, QWidget* owner, ERefusal refusal);

}  // namespace fennmere
