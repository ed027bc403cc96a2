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
// not fill.
//
// Window thread only, unless a function says otherwise.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/setupfile.h"
#include "link/clock.h"
#include "link/exchange.h"
#include "link/linkcontrol.h"
#include "link/portio.h"
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

    // The serial devices by path that the last new document found.
    const std::vector<std::string>& DevicePaths() const { return m_devicePaths; }

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
    // Reads a setup file on top of the configuration. The caller has checked
    // IsFileAccessAllowed.
    CFileResult OnOpenDocument(const QString& path);
    // Stores the page on display (a refused field does not stop the save),
    // then writes the setup file atomically. The caller has checked
    // IsFileAccessAllowed.
    CFileResult OnSaveDocument(const QString& path);

    // The file this configuration was read from or saved to; empty for a new
    // one. The title is its file name, "Untitled" without one.
    const QString& PathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }
    QString Title() const;

    // Shows, hides, enables and disables the controls of the page on display
    // as the logger variant requires.
    void ApplyVariantLayout();

    // Start a transfer with the configuration as it is now (the page has been
    // stored). Nothing happens while anything runs on the link.
    void StartSend();
    void StartRetrieve();
    void StartDefaultConfig();

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
    // On the window thread when a transfer has ended: the boxes, if any.
    // A cancelled transfer ends without any: the operator asked for it.
    void ShowReport(const CTransferReport& report);
    // Before Save and Send: names the fields whose text holds characters
    // that neither the file nor the logger carries.
    void WarnOfUncarriedText();
    // After a transfer has been started.
    void TransferStarted() { m_bStopRequested = false; }

    CServices m_services;
    CConfiguration m_config;
    std::vector<std::string> m_devicePaths;
    std::vector<CPageView*> m_views;
    CMainFrame* m_pFrame = nullptr;
    QString m_strPathName;
    // The running transfer has been asked to stop; closing again need not ask.
    bool m_bStopRequested = false;
    CTransferBridge m_bridge;
};

}  // namespace fennmere
