#include "refusal.h"

#include "link/linkcontrol.h"
#include "pages/messageboxes.h"

namespace fennmere {

QString RefusalText(ERefusal refusal)
{
    switch (refusal) {
        case ERefusal::SendChanges:
            return QStringLiteral("The logger cannot be sent to while a transfer or the live view uses the port.");
        case ERefusal::FindLogger:
            return QStringLiteral("The logger cannot be looked for while a transfer or the live view uses the port.");
        case ERefusal::ReadLogger:
            return QStringLiteral("The logger cannot be read while a transfer or the live view uses the port.");
        case ERefusal::SendEntry:
            return QStringLiteral("The entry cannot be sent while a transfer or the live view uses the port.");
        case ERefusal::Terminal:
            return QStringLiteral("The terminal cannot open the port while a transfer or the live view uses it.");
        case ERefusal::OpenFile:
            return QStringLiteral("A setup file cannot be opened while a transfer is running.");
        case ERefusal::SaveFile:
            return QStringLiteral("The setup file cannot be saved while a transfer is running.");
        case ERefusal::OpenEntry:
            return QStringLiteral("A logbook entry cannot be opened while a transfer is running.");
    }
    return QString();
}

void Refuse(CMessageBoxes& boxes, QWidget* owner, ERefusal refusal)
{
    boxes.Show(owner, RefusalText(refusal), kAppTitle, EMessageIcon::Warning);
}

bool RefusedWhileTerminalHoldsPort(const CLinkControl& link, CMessageBoxes& boxes, QWidget* owner)
{
    if ((link.BusyWord() & CLinkControl::kTerminalBit) == 0) return false;
    boxes.Show(owner, QStringLiteral("The port is held by the Terminal window."), kAppTitle, EMessageIcon::Warning);
    return true;
}

bool RefusedWhilePortInUse(const CLinkControl& link, CMessageBoxes& boxes, QWidget* owner, ERefusal refusal)
{
    if (link.BusyWord() == 0) return false;
    if (!RefusedWhileTerminalHoldsPort(link, boxes, owner)) Refuse(boxes, owner, refusal);
    return true;
}

}  // namespace fennmere
