// CFindController: Find Logger. Looks for a logger on the panel's port, then
// on every other port of the list, at every rate of the baud list; the port
// and rate it answers at go into the panel. While it looks, a small window
// over the main window says which port and rate it tries; its Stop (or
// Escape) ends the search and changes nothing.
//
// Window thread only.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fennmere {

class CNimbrelSetupDoc;
class CTransferController;
struct CFindResult;

class CFindController {
public:
    // The search reports through transfers' bridge and counts as one of its
    // transfers when the frame closes.
    CFindController(CNimbrelSetupDoc& document, CTransferController& transfers);
    ~CFindController();
    CFindController(const CFindController&) = delete;
    CFindController& operator=(const CFindController&) = delete;

    // Refused with a message while anything uses the port.
    void StartFindLogger();

    // The progress window while a search runs, otherwise nullptr.
    QProgressDialog* ProgressDialog() const { return m_pDialog; }

    // "/dev/pts/5 at 115200, 57600 baud; COM1 at 115200 baud": each port
    // with its rates in the order they were tried.
    static QString TriedText(const std::vector<std::pair<std::string, std::vector<uint32_t>>>& tried);

private:
    void OnTrying(const std::string& port, uint32_t baud);
    void OnFinished(const std::string& port, const CFindResult& search);

    CNimbrelSetupDoc& m_document;
    CTransferController& m_transfers;
    QPointer<QProgressDialog> m_pDialog;
    // What the running search has tried, port by port.
    std::vector<std::pair<std::string, std::vector<uint32_t>>> m_tried;
    int m_nAttempts = 0;
    int m_nTried = 0;
    bool m_bStopped = false;
};

}  // namespace fennmere
