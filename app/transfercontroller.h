// CTransferController: the transfers the operator starts from the window:
// Retrieve, Send, Send changes only, the default configuration and a logbook
// entry sent back (restore). It starts them on the link and takes their
// results back on the window thread, where it shows the boxes and changes
// the document's configuration.
//
// Transfers never share the configuration with the window thread: a Send
// works on a snapshot taken when it starts, Retrieve and the default
// configuration fill a copy of their own. Only when they succeeded is that
// copy applied, on the window thread, to the configuration as it is then:
// pages stored during the run keep their edits to fields the transfer does
// not fill. Every configuration a transfer reads or sends is kept in the
// logbook; a logbook that cannot be written is reported and never stops a
// transfer.
//
// Window thread only, unless a function says otherwise.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/linkcontrol.h"
#include "logbook/logbook.h"
#include "operations/keeping.h"
#include "pages/pagedocument.h"
#include "transferbridge.h"

class QWidget;

namespace fennmere {

class CNimbrelSetupDoc;

class CTransferController {
public:
    // The transfers of document, whose frame shows their progress.
    explicit CTransferController(CNimbrelSetupDoc& document);
    // Stops a transfer still running and waits for its thread (its results
    // are dropped): the program must not outlive its window by the rest of
    // a Send.
    ~CTransferController();
    CTransferController(const CTransferController&) = delete;
    CTransferController& operator=(const CTransferController&) = delete;

    // Start a transfer with the configuration as it is now (the page has been
    // stored). Nothing happens while anything runs on the link. The Send
    // reads the logger's configuration first (kept in the logbook as
    // "before-send") and again afterwards to verify it. A Retrieve replaces
    // the configuration, so unsaved changes are asked about first.
    void StartSend();
    // The same Send of only the configuration lines that differ from what
    // the logger holds (the page on display stored first).
    void StartSendChangesOnly();
    void StartRetrieve();
    void StartDefaultConfig();
    // The panel's buttons.
    void StartPanelTransfer(EPanelTransfer transfer);
    // The same Send with another configuration (a logbook entry's), through
    // the panel's port and baud rate; event names what it was sent as in the
    // logbook (Send, Restore). False when it could not start.
    bool SendConfiguration(const CConfiguration& config, ELogbookEvent event, bool changesOnly = false);
    // After a Send: "Sent and verified.", the fields the logger holds
    // otherwise in a window of their own, or the report's boxes.
    void ShowSendResult(const CSafeSendResult& result);
    // The status bar's line while a step of a Send runs, and when it has
    // ended.
    static QString SendStepText(ESafeSendStep step);
    static QString SendEndText(const CSafeSendResult& result);
    // The question asked after the backup when a Send of sent takes alarms
    // away that the logger (holding held) has; empty when it takes none.
    static QString AlarmResetQuestion(const CConfiguration& sent, const CConfiguration& held);
    // The question asked after the backup when a logbook entry goes to a
    // logger (holding held) of another serial number than the one it was
    // kept of; empty when both are the same or either is not known.
    static QString OtherLoggerQuestion(const CConfiguration& entry, const CConfiguration& held);

    // Whether the frame may close. While a transfer runs the operator is
    // asked first whether to stop it and quit (mayAsk false: nothing is
    // asked, and it is stopped without asking, as when the desktop session
    // ends without leave to ask); Yes cancels the transfer and waits for
    // its end (a fraction of a second; the port is closed then), and only
    // then are unsaved changes asked about. Asked only once per transfer.
    bool CanCloseFrame(QWidget* owner, bool mayAsk = true);

    // What the other controllers share of a transfer.
    //
    // The bridge every transfer reports through.
    CTransferBridge& Bridge() { return m_bridge; }
    // After a transfer has been started: closing asks again.
    void TransferStarted() { m_bStopRequested = false; }
    // What the logbook could not keep during one transfer, each line after
    // the event's name; filled on the transfer's thread, told on the
    // window thread once it has ended.
    using CLogbookErrors = std::shared_ptr<std::vector<std::string>>;
    static CLogbookErrors MakeLogbookErrors() { return std::make_shared<std::vector<std::string>>(); }
    // A Retrieve that keeps what it read, for CLinkControl.
    CLinkControl::CRetrieveRun RetrieveKeeping(const CLogbookErrors& errors) const;
    // On the window thread when a transfer has ended: the boxes, if any.
    // A cancelled transfer ends without any: the operator asked for it.
    void ShowReport(const CTransferReport& report);
    // On the window thread after every transfer that keeps what it read or
    // sent: tells the logbook listener, then what the logbook could not keep.
    void ReportLogbookErrors(const std::vector<std::string>& errors);
    // Called on the window thread when a transfer has ended that may have
    // written logbook entries (the logbook window lists them again).
    void SetLogbookListener(std::function<void()> listener) { m_logbookChanged = std::move(listener); }

private:
    // Takes events until the transfer on the link has ended.
    void WaitForTransferEnd();
    // A line in the main window's status bar, until the next one.
    void ShowStatus(const QString& text);
    CKeeping Keeping(const CLogbookErrors& errors, ELogbookEvent event) const;

    CNimbrelSetupDoc& m_document;
    // The running transfer has been asked to stop; closing again need not ask.
    bool m_bStopRequested = false;
    CTransferBridge m_bridge;
    std::function<void()> m_logbookChanged;
};

}  // namespace fennmere
