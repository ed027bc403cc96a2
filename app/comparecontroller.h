// CCompareController: the comparisons of the Logger menu. The document's
// configuration against the logger's (a Retrieve that leaves the document
// alone) or against a file, each shown in a compare window from which the
// operator may take the other side into the document.
//
// Window thread only.
#pragma once

#include <QString>

#include <functional>

#include "config/configdiff.h"
#include "config/configuration.h"

namespace fennmere {

class CNimbrelSetupDoc;
class CTransferController;

class CCompareController {
public:
    // The read of the logger is one of transfers' transfers.
    CCompareController(CNimbrelSetupDoc& document, CTransferController& transfers);
    CCompareController(const CCompareController&) = delete;
    CCompareController& operator=(const CCompareController&) = delete;

    // Reads the logger and shows how it differs from the configuration, with
    // the offer to take the logger's configuration. Refused with a message
    // while anything uses the port.
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

private:
    // Shows the comparison of the configuration with other in a compare
    // window; a non-empty takeLabel offers to take other into the document.
    void ShowComparison(const QString& title, const QString& otherSide, const CConfiguration& other,
                        EConfigSource otherSource, const QString& takeLabel, std::function<void()> take);

    CNimbrelSetupDoc& m_document;
    CTransferController& m_transfers;
};

}  // namespace fennmere
