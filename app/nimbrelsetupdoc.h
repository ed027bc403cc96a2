// CNimbrelSetupDoc: the one document, owner of the operator's configuration.
// The nine pages are its views (through CPageDocument). It keeps the
// configuration and its modified flag, reads and writes setup files, and lays
// the page on display out for the logger variant. Transfers, the search for a
// logger and the comparisons are carried out by the application's
// controllers (CTransferController, CFindController, CCompareController),
// which change the configuration here on the window thread only.
//
// Window thread only, unless a function says otherwise.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/setupfile.h"
#include "link/clock.h"
#include "link/linkcontrol.h"
#include "link/portio.h"
#include "logbook/logbook.h"
#include "pages/pagedocument.h"

class QWidget;

namespace fennmere {

class CMainFrame;
class CMessageBoxes;
class CPageView;

class CNimbrelSetupDoc final : public CPageDocument {
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
    ~CNimbrelSetupDoc() override = default;
    CNimbrelSetupDoc(const CNimbrelSetupDoc&) = delete;
    CNimbrelSetupDoc& operator=(const CNimbrelSetupDoc&) = delete;

    CConfiguration& Config() override { return m_config; }
    const CConfiguration& Config() const { return m_config; }
    CMessageBoxes& MessageBoxes() const override { return *m_services.m_pBoxes; }
    CLinkControl& LinkControl() const override { return *m_services.m_pLink; }
    // The port and clock of the transfers and the live acquisition.
    CPortIo& Port() const override { return *m_services.m_pPort; }
    CClock& Clock() const override { return *m_services.m_pClock; }
    // Where every configuration read from or sent to a logger is kept. Any
    // thread: it is never changed after construction.
    const CLogbook& Logbook() const { return m_logbook; }
    // The computer's clock and time zone, for the logger's clock. Any thread.
    const CLocalTimeSource& LocalTime() const { return m_services.m_localTime; }

    // The serial devices by path that the last new document found.
    const std::vector<std::string>& DevicePaths() const override { return m_devicePaths; }
    // What the system says of the adapter behind a port name or device path
    // ("FTDI FT232R USB UART, serial A1234, 0403:6001, ftdi_sio"); empty when
    // nothing is known.
    std::string PortDescription(const std::string& port) const override;

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
    // Stores the page on display into the configuration; a refused field
    // has been told and stops nothing.
    void StoreActivePage();
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
    void ApplyVariantLayout() override;

    // Before Save and Send: names the fields whose text holds characters
    // that neither the file nor the logger carries.
    void WarnOfUncarriedText(const CConfiguration& config);

    // The panel's buttons go to handler, the application's transfers.
    void SetPanelTransferHandler(std::function<void(EPanelTransfer)> handler) { m_panelTransfer = std::move(handler); }
    void StartPanelTransfer(EPanelTransfer transfer) override;
    // Sets the flag (and the title's "*") without storing the page; what
    // later changes are measured against stays as it was.
    void MarkEdited() override;

    // Posts a private message (kRefreshMessage, kShowSerialPageMessage) to the
    // frame. Any thread.
    void PostFrameMessage(int message) const override;

private:
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
    std::function<void(EPanelTransfer)> m_panelTransfer;
};

}  // namespace fennmere
