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

// Says "The port is held by the Terminal window." (and returns true) while
// the Terminal window holds the port; a transfer that is refused without a
// word while another runs is not refused silently then.
bool RefusedWhileTerminalHoldsPort(const CLinkControl& link, CMessageBoxes& boxes, QWidget* owner);

// Refuses (and returns true) while anything uses the port; while the
// Terminal window holds it, says so instead.
bool RefusedWhilePortInUse(const CLinkControl& link, CMessageBoxes& boxes, QWidget* owner, ERefusal refusal);

}  // namespace fennmere
