// CNimbrelSetupDoc: the one document, owner of the operator's configuration.
// The nine pages are its views. It starts the transfers and takes their
// results back on the window thread, reads and writes setup files, and lays
// the page on display out for the logger variant.
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
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/configdiff.h"
#include "config/configuration.h"
#include "config/setupfile.h"
#include "link/clock.h"
#include "link/exchange.h"
#include "link/linkcontrol.h"
#include "link/portio.h"
#include "logbook/logbook.h"
#include "operations/keeping.h"
#include "transferbridge.h"

class QWidget;

namespace fennmere {

class CMainFrame;
class CMessageBoxes;
class CPageView;

class CNimbrelSetupDoc {
public:
    // What the document works with. Anything left empty is the program's
    // own: the process-wide link control, shared port and system clock, the
    // probe of COM1 to COM255 and "sensor.ini" in the current directory.
    struct CServices {
        CMessageBoxes* m_pBoxes = nullptr;  // required
        CLinkControl* m_pLink = nullptr;
        CPortIo* m_pPort = nullptr;
        CClock* m_pClock = nullptr;
        // Fills the port availability table, returns the devices found by path.
        std::function<std::vector<std::string>(CConfiguration&)> m_probe;
        std::string m_strSensorFile = "sensor.ini";
        CLocalTimeSource m_localTime;
        // The logbook's folder; empty for CLogbook::DefaultFolder().
        std::string m_strLogbookFolder;
    };

    explicit CNimbrelSetupDoc(CServices services);
    // Stops a transfer still running and waits for its thread (its results
    // are dropped): the program must not outlive its window by the rest of
    // a Send.
    ~CNimbrelSetupDoc();
    CNimbrelSetupDoc(const CNimbrelSetupDoc&) = delete;
    CNimbrelSetupDoc& operator=(const CNimbrelSetupDoc&) = delete;

    CConfiguration& Config() { return m_config; }
    const CConfiguration& Config() const { return m_config; }
    CMessageBoxes& MessageBoxes() const { return *m_services.m_pBoxes; }
    CLinkControl& LinkControl() const { return *m_services.m_pLink; }
    // The port and clock of the transfers and the live acquisition.
    CPortIo& Port() const { return *m_services.m_pPort; }
    CClock& Clock() const { return *m_services.m_pClock; }
    // Where every configuration read from or sent to a logger is kept. Any
    // thread: it is never changed after construction.
    const CLogbook& Logbook() const { return m_logbook; }

    // The serial devices by path that the last new document found.
    const std::vector<std::string>& DevicePaths() const { return m_devicePaths; }
    // What the system says of the adapter behind a port name or device path
    // ("FTDI FT232R USB UART, serial A1234, 0403:6001, ftdi_sio"); empty when
    // nothing is known.
    std::string PortDescription(const std::string& port) const;

    void SetFrame(CMainFrame* frame) { m_pFrame = frame; }
    CMainFrame* Frame() const { return m_pFrame; }

    // The views, in the order they were attached (page 1 first).
    void AddView(CPageView* view);
    const std::vector<CPageView*>& Views() const { return m_views; }
    CPageView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    // The update notification, to every view, hidden ones included.
    void UpdateAllViews(CPageView* sender, int hint = 0);

    // New document: refused (false, nothing changes) while anything runs on
    // the link. Otherwise lets the frame create its pages (once), fills the
    // defaults, probes the ports (once a stopped live acquisition has let
    // the port go) and reads the sensor definitions.
    bool OnNewDocument();

    // Setup files may be read and written while nothing but live acquisition
    // runs.
    bool IsFileAccessAllowed() const;
    // Reads a setup file (or a complete configuration file) on top of the
    // configuration and clears the modified flag. The caller has checked
    // IsFileAccessAllowed.
    CFileResult OnOpenDocument(const QString& path);
    // The same in two steps, so that the operator is asked about unsaved
    // changes only once the file has been read: ReadDocumentFile reads it on
    // top of a copy of the configuration into loaded and changes nothing;
    // ReplaceConfiguration puts loaded in place as the unmodified document.
    CFileResult ReadDocumentFile(const QString& path, CConfiguration& loaded) const;
    void ReplaceConfiguration(CConfiguration loaded);
    // Stores the page on display (a refused field does not stop the save),
    // then writes the setup file atomically; clears the modified flag when it
    // has been written. The caller has checked IsFileAccessAllowed.
    CFileResult OnSaveDocument(const QString& path);

    // The modified flag: the configuration holds changes that no setup file
    // has. Fields of this computer (the panel, the port table, the sensor
    // definitions) never count.
    bool IsModified() const { return m_bModified; }
    // Sets or clears the flag; either way the configuration as it is now is
    // what later changes are measured against.
    void SetModifiedFlag(bool modified);
    // Marks the document modified when the configuration has changed since
    // the document last looked (a page stored, a transfer's result put in
    // place, a page that changes the configuration at once).
    void CheckModified();
    // Stores the page on display and checks; returns the flag.
    bool UpdateModified();
    // Before the configuration is replaced (New, Open, Retrieve, closing):
    // when modified, asks "Save changes to NAME?". Yes saves through the save
    // command; No goes on. False for Cancel and for a save that did not
    // happen: the caller stops then.
    bool SaveModified();
    // The application's Save: Save As when there is no file yet; true when
    // the file was written.
    void SetSaveCommand(std::function<bool()> save) { m_saveCommand = std::move(save); }

    // The file this configuration was read from or saved to; empty for a new
    // one. The title is its file name, "Untitled" without one.
    const QString& PathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }
    QString Title() const;

    // Shows, hides, enables and disables the controls of the page on display
    // as the logger variant requires.
    void ApplyVariantLayout();

    // Start a transfer with the configuration as it is now (the page has been
    // stored). Nothing happens while anything runs on the link. The Send
    // reads the logger's configuration first (kept in the logbook as
    // "before-send") and again afterwards to verify it. A Retrieve replaces
    // the configuration, so unsaved changes are asked about first.
    void StartSend();
    // The same Send of only the configuration lines that differ from what
    // the logger holds (the page on display stored first).
    void StartSendChangesOnly();
    // Looks for a logger on the panel's port, then on every other port of
    // the list, at every rate of the baud list; the port and rate it answers
    // at go into the panel.
    void StartFindLogger();
    void StartRetrieve();
    void StartDefaultConfig();
    // The same Send with another configuration (a logbook entry's), through
    // the panel's port and baud rate; event names what it was sent as in the
    // logbook (Send, Restore). False when it could not start.
    bool SendConfiguration(const CConfiguration& config, ELogbookEvent event, bool changesOnly = false);
    // After a Send: "Sent and verified.", the fields the logger holds
    // otherwise in a window of their own, or the report's boxes.
    void ShowSendResult(const CSafeSendResult& result);
    // The question asked after the backup when a Send of sent takes alarms
    // away that the logger (holding held) has; empty when it takes none.
    static QString AlarmResetQuestion(const CConfiguration& sent, const CConfiguration& held);

    // Reads the logger (a Retrieve that leaves the document alone) and shows
    // how it differs from the configuration in a compare window, from which
    // the operator may take the logger's configuration.
    void StartCompareWithLogger();
    // Reads path (a setup file onto a new configuration with the sensor
    // definitions, as File Open reads it, or a complete configuration file)
    // and shows how it differs. False when the file could not be read; the
    // operator has been told.
    bool CompareWithFile(const QString& path);
    // Puts the configuration of the other side of a comparison in place as a
    // Retrieve's result is put in place: what differs from atStart, and
    // whatever a Retrieve resets. Marks the document modified.
    void TakeConfiguration(const CConfiguration& atStart, const CConfiguration& taken);

    // Whether the frame may close. While a transfer runs the operator is
    // asked whether to stop it and quit (mayAsk false: it is stopped without
    // asking, as when the desktop session ends without leave to ask); Yes
    // cancels the transfer, which then ends within a fraction of a second
    // and closes the port. Asked only once per transfer.
    bool CanCloseFrame(QWidget* owner, bool mayAsk = true);

    // Posts a private message (kRefreshMessage, kShowSerialPageMessage) to the
    // frame. Any thread.
    void PostFrameMessage(int message) const;

private:
    // What the logbook could not keep during one transfer, each line after
    // the event's name; filled on the transfer's thread, told on the
    // window thread once it has ended.
    using CLogbookErrors = std::shared_ptr<std::vector<std::string>>;
    CKeeping Keeping(const CLogbookErrors& errors, ELogbookEvent event) const;
    // A Retrieve that keeps what it read, for CLinkControl.
    CLinkControl::CRetrieveRun RetrieveKeeping(const CLogbookErrors& errors) const;

    // On the window thread when a transfer has ended: the boxes, if any.
    // A cancelled transfer ends without any: the operator asked for it.
    void ShowReport(const CTransferReport& report);
    // Before Save and Send: names the fields whose text holds characters
    // that neither the file nor the logger carries.
    void WarnOfUncarriedText(const CConfiguration& config);
    // On the window thread after a transfer: what the logbook could not keep.
    void ReportLogbookErrors(const std::vector<std::string>& errors);
    // Shows the comparison of the configuration with other in a compare
    // window; a non-empty takeLabel offers to take other into the document.
    void ShowComparison(const QString& title, const QString& otherSide, const CConfiguration& other,
                        EConfigSource otherSource, const QString& takeLabel, std::function<void()> take);
    // After a transfer has been started.
    void TransferStarted() { m_bStopRequested = false; }

    CServices m_services;
    CConfiguration m_config;
    std::vector<std::string> m_devicePaths;
    std::map<std::string, std::string> m_portDescriptions;
    std::vector<CPageView*> m_views;
    CMainFrame* m_pFrame = nullptr;
    QString m_strPathName;
    CLogbook m_logbook;
    bool m_bModified = false;
    // The configuration when the document last looked (CheckModified).
    CConfiguration m_lastSeen;
    std::function<bool()> m_saveCommand;
    // The running transfer has been asked to stop; closing again need not ask.
    bool m_bStopRequested = false;
    CTransferBridge m_bridge;
};

}  // namespace fennmere
