// CPageDocument: what a page sees of the document it views. The pages store
// into and load from its configuration, tell the operator things through its
// message boxes, run the live acquisition on its link, and hand the panel's
// transfer buttons on to it; the application carries those out.
//
// Window thread only, unless a function says otherwise.
#pragma once

#include <string>
#include <vector>

#include "config/configuration.h"

namespace fennmere {

class CClock;
class CLinkControl;
class CMessageBoxes;
class CPortIo;

// The transfers the communication panel's buttons start.
enum class EPanelTransfer { Send, Retrieve, DefaultConfig };

class CPageDocument {
public:
    virtual ~CPageDocument() = default;

    // The operator's configuration, which the pages store into and load from.
    virtual CConfiguration& Config() = 0;
    virtual CMessageBoxes& MessageBoxes() const = 0;
    // The link, port and clock of the transfers and the live acquisition.
    virtual CLinkControl& LinkControl() const = 0;
    virtual CPortIo& Port() const = 0;
    virtual CClock& Clock() const = 0;

    // The serial devices by path that the last new document found.
    virtual const std::vector<std::string>& DevicePaths() const = 0;
    // What the system says of the adapter behind a port name or device path;
    // empty when nothing is known.
    virtual std::string PortDescription(const std::string& port) const = 0;

    // Shows, hides, enables and disables the controls of the page on display
    // as the logger variant requires.
    virtual void ApplyVariantLayout() = 0;
    // Posts a private message (kRefreshMessage, kShowSerialPageMessage) to the
    // frame. Any thread.
    virtual void PostFrameMessage(int message) const = 0;

    // A panel button: starts the transfer with the configuration as it is
    // now (the page has been stored).
    virtual void StartPanelTransfer(EPanelTransfer transfer) = 0;

    // The operator has edited a configuration field of a page (not stored
    // yet): the document counts as modified from now on.
    virtual void MarkEdited() = 0;
};

}  // namespace fennmere
