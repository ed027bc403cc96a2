#include "findcontroller.h"

#include <algorithm>
#include <string>
#include <vector>

#include "config/text.h"
#include "mainfrm.h"
#include "nimbrelsetupdoc.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"
#include "refusal.h"
#include "transfercontroller.h"

namespace fennmere {

CFindController::CFindController(CNimbrelSetupDoc& document, CTransferController& transfers)
    : m_document(document), m_transfers(transfers)
{
}

void CFindController::StartFindLogger()
{
    if (RefusedWhilePortInUse(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame(),
                              ERefusal::FindLogger)) {
        return;
    }
    m_document.UpdateModified();
    const CConfiguration& config = m_document.Config();
    std::vector<std::string> ports;
    auto add = [&ports](const std::string& name) {
        if (!name.empty() && std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    };
    add(NarrowLatin1(config.m_panel.m_strComPort));
    for (int n = 1; n < kPortTableSize; ++n)
        if (config.m_nPortAvailable[n] == 1) add("COM" + std::to_string(n));
    for (const std::string& path : m_document.DevicePaths()) add(path);
    const bool started = m_document.LinkControl().StartFind(
        m_document.Port(), m_document.Clock(), ports, [this](std::string port, CFindResult result) {
            m_transfers.Bridge().CallOnWindowThread(std::move(result), [this, port](const CFindResult& search) {
                CMessageBoxes& boxes = m_document.MessageBoxes();
                if (!search.m_found) {
                    const QString why = search.m_strError.empty()
                                            ? QStringLiteral("No logger answered on any port at any rate.")
                                            : QString::fromStdString(search.m_strError);
                    boxes.Show(m_document.Frame(), why, kAppTitle, EMessageIcon::Warning);
                    return;
                }
                const CFoundLogger& found = *search.m_found;
                CPanelSettings& panel = m_document.Config().m_panel;
                panel.m_strComPort = WidenLatin1(port);
                panel.m_strBaud = std::to_wstring(found.m_nBaud);
                m_document.PostFrameMessage(kRefreshMessage);
                boxes.Show(
                    m_document.Frame(),
                    QStringLiteral("Logger %1 (%2, %3) found on %4 at %5 baud.")
                        .arg(QString::fromStdString(found.m_strSerialNumber), QString::fromStdString(found.m_strName),
                             QString::fromStdString(found.m_strFirmware), QString::fromStdString(port))
                        .arg(found.m_nBaud),
                    kAppTitle, EMessageIcon::Information);
            });
        });
    if (started) m_transfers.TransferStarted();
}

}  // namespace fennmere
