// CConfigPageView: what the eight configuration pages share. Besides its own
// controls each carries the communication panel ("PC COM": port list, baud
// list, "Set System Time", device list, progress bar, Send, Retrieve) at the
// same place, and the logo. The panel is bound to the configuration's panel
// settings on every page; Send and Retrieve store the page and start their
// transfer.
//
// Window thread only.
#pragma once

#include "pageview.h"

namespace fennmere {

// The panel's control numbers that differ from page to page.
struct CPanelIds {
    int m_nClock = 0;        // "Set System Time" check box
    int m_nDevice = 0;       // device list
    int m_nDeviceLabel = 0;  // "Select Device"
    int m_nProgress = 0;
    int m_nSend = 0;
    int m_nRetrieve = 0;
};

class CConfigPageView : public CPageView {
    Q_OBJECT
public:
    // page 1 to 8; the panel numbers come from the page number.
    CConfigPageView(int page, int templateId, QWidget* parent);

    // The panel numbers of configuration page 1 to 8.
    static CPanelIds PanelIdsFor(int page);
    const CPanelIds& PanelIds() const { return m_ids; }

    // Initial update: loads the page and runs the update reaction (base),
    // then fills the port list from the port availability table.
    void OnInitialUpdate() override;

    // Empties the port list and lists COM<n> for every available port (in
    // text order, so COM10 before COM3), then the serial devices found by
    // path. Without a configured COM port the first entry is chosen;
    // otherwise the configured text is put in the edit field as it stands.
    void FillPortList();

    // Moves this page's progress bar (0 to 100).
    void SetProgress(int position);
    // Shows baud in the panel's PC baud field as a load would, and nothing
    // else: the rest of the page may hold edits not stored yet.
    void ShowPcBaud(const QString& baud);

    // The buttons' handlers: store the page, then ask the document to start
    // the transfer (which does nothing while another one runs).
    void OnSend();
    void OnRetrieve();
    // The same for the default-configuration transfer ("Set Default Config").
    void OnSetDefaultConfig();

protected:
    // Binds the panel. Pages call this at the end of their own exchange.
    void DoDataExchange(CDataExchange& dx) override;

private:
    // Widens the closed port list to show the whole name (a device path is
    // longer than COM<n>), up to the edge of the panel's group; a name that
    // does not fit even then is shown in full in the list's tooltip.
    void FitPortList();
    // Marks the document modified on every edit of a configuration field.
    void WatchEdits();

    CPanelIds m_ids;
    int m_nPortListWidth = 0;  // the template's width, the narrowest it gets
};

}  // namespace fennmere
