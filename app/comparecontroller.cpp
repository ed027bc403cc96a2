#include "comparecontroller.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <string>

#include "comparewindow.h"
#include "config/configparser.h"
#include "config/setupfile.h"
#include "link/retrieve.h"
#include "mainfrm.h"
#include "nimbrelsetupdoc.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"
#include "refusal.h"
#include "transfercontroller.h"

namespace fennmere {

namespace {

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CCompareController::CCompareController(CNimbrelSetupDoc& document, CTransferController& transfers)
    : m_document(document), m_transfers(transfers)
{
}

void CCompareController::StartCompareWithLogger()
{
    if (RefusedWhilePortInUse(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame(),
                              ERefusal::ReadLogger)) {
        return;
    }
    m_document.UpdateModified();
    auto errors = CTransferController::MakeLogbookErrors();
    const bool started = m_document.LinkControl().StartRetrieve(
        m_document.Port(), m_document.Clock(), m_document.Config(), m_transfers.Bridge(),
        [this, errors](CRetrieveResult result) {
            m_transfers.Bridge().CallOnWindowThread(std::move(result), [this, errors](CRetrieveResult& read) {
                m_transfers.ShowReport(read.m_report);
                m_transfers.ReportLogbookErrors(*errors);
                if (!read.m_config) return;
                auto logger = std::make_shared<const CConfiguration>(std::move(*read.m_config));
                auto atStart = std::make_shared<const CConfiguration>(m_document.Config());
                ShowComparison(QStringLiteral("Compare with Logger"),
                               QStringLiteral("Logger on ") + QString::fromStdWString(logger->m_panel.m_strComPort),
                               *logger, EConfigSource::Logger, QStringLiteral("Take the Logger's Configuration"),
                               [this, logger, atStart] { TakeConfiguration(*atStart, *logger); });
            });
        },
        m_transfers.RetrieveKeeping(errors));
    if (started) m_transfers.TransferStarted();
}

bool CCompareController::CompareWithFile(const QString& path)
{
    const CConfiguration& config = m_document.Config();
    std::string bytes;
    CFileResult result = ReadInputFile(LocalPath(path), bytes);
    // Onto a new configuration with this computer's sensor definitions and
    // panel, as File Open reads a file into a new document.
    auto other = std::make_shared<CConfiguration>(MakeNewConfiguration());
    other->m_sensorDef = config.m_sensorDef;
    other->m_panel = config.m_panel;
    other->m_nPortAvailable = config.m_nPortAvailable;
    bool complete = false;
    if (result.m_bOk) result = LoadSetupBytes(*other, bytes, LocalPath(path), nullptr, &complete);
    if (!result.m_bOk) {
        m_document.MessageBoxes().Show(m_document.Frame(), QString::fromLocal8Bit(result.m_strError.c_str()), kAppTitle,
                                       EMessageIcon::Warning);
        return false;
    }
    m_document.UpdateModified();
    auto atStart = std::make_shared<const CConfiguration>(m_document.Config());
    auto text = std::make_shared<const std::string>(std::move(bytes));
    // A complete file carries every field and is taken as a Retrieve's
    // result is. A setup file carries only some: taken as Open reads it, on
    // top of the document, so that what it does not carry (the SMS numbers,
    // the driver table, ...) is kept rather than reset to nothing.
    std::function<void()> take;
    if (complete) {
        take = [this, atStart, other] { TakeConfiguration(*atStart, *other); };
    } else {
        take = [this, text] {
            m_document.StoreActivePage();
            ReadSetupText(m_document.Config(), *text);
            m_document.CheckModified();
            m_document.PostFrameMessage(kRefreshMessage);
        };
    }
    ShowComparison(QStringLiteral("Compare with File"), QFileInfo(path).fileName(), *other,
                   complete ? EConfigSource::CompleteFile : EConfigSource::SetupFile,
                   QStringLiteral("Take the File's Configuration"), std::move(take));
    return true;
}

void CCompareController::ShowComparison(const QString& title, const QString& otherSide, const CConfiguration& other,
                                        EConfigSource otherSource, const QString& takeLabel, std::function<void()> take)
{
    const std::vector<CFieldDifference> differences =
        CompareConfigurations(m_document.Config(), EConfigSource::CompleteFile, other, otherSource);
    auto* window = new CCompareWindow(
        m_document.Frame(), title, QStringLiteral("This document (%1) against %2.").arg(m_document.Title(), otherSide),
        QStringLiteral("This document"), otherSide, differences);
    if (!takeLabel.isEmpty()) window->OfferTake(takeLabel, std::move(take));
    window->show();
}

void CCompareController::TakeConfiguration(const CConfiguration& atStart, const CConfiguration& taken)
{
    m_document.StoreActivePage();
    ApplyRetrieved(m_document.Config(), atStart, taken);
    m_document.CheckModified();
    m_document.PostFrameMessage(kRefreshMessage);
}

}  // namespace fennmere
