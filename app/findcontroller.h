// CFindController: Find Logger. Looks for a logger on the panel's port, then
// on every other port of the list, at every rate of the baud list; the port
// and rate it answers at go into the panel.
//
// Window thread only.
#pragma once

namespace fennmere {

class CNimbrelSetupDoc;
class CTransferController;

class CFindController {
public:
    // The search reports through transfers' bridge and counts as one of its
    // transfers when the frame closes.
    CFindController(CNimbrelSetupDoc& document, CTransferController& transfers);
    CFindController(const CFindController&) = delete;
    CFindController& operator=(const CFindController&) = delete;

    // Refused with a message while anything uses the port.
    void StartFindLogger();

private:
    CNimbrelSetupDoc& m_document;
    CTransferController& m_transfers;
};

}  // namespace fennmere
