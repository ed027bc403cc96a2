// What the three transfers share: the port, the clock, the exchange, the
// observer and the transfer status, with the steps of a transfer's frame
// (opening the panel's port, pauses, progress, handling a serial failure and
// the final report). One session per transfer run, used by its thread only.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "clock.h"
#include "config/configuration.h"
#include "exchange.h"
#include "portio.h"
#include "serialexception.h"
#include "transferobserver.h"

namespace fennmere {

class CTransferSession {
public:
    CTransferSession(CPortIo& port, CClock& clock, CTransferObserver& observer);

    // Opens the port named by comPort ("COM<n>" or a device path) at the rate
    // baudText gives and sets the transfer time-outs. Without a port name or
    // without a usable rate nothing is opened: the status becomes 6 and the
    // result is false. Serial failures propagate.
    bool OpenPort(const CText& comPort, const CText& baudText);

    // Exchanges the command; the result becomes the status.
    void Exchange(std::string_view command, std::string_view expected, int limit);
    // The same, but only while the status is 0.
    void ExchangeWhileOk(std::string_view command, std::string_view expected, int limit);

    void Pause(int ms);
    void Progress(int position);
    // Flush, then close the port.
    void FlushAndClose();

    // A serial failure: trace line, status 5 or 6. The port stays as it is.
    void Fail(const CSerialException& e);

    // Ends the run: tells the observer and returns the report.
    CTransferReport Finish(ETransferKind kind, std::vector<std::string> unanswered = {});

    int Status() const { return m_nStatus; }
    void SetStatus(int status) { m_nStatus = status; }
    bool Ok() const { return m_nStatus == kStatusOk; }

    CExchange& Exchanger() { return m_exchange; }
    CPortIo& Port() { return m_port; }
    CClock& Clock() { return m_clock; }
    CTransferObserver& Observer() { return m_observer; }

private:
    CPortIo& m_port;
    CClock& m_clock;
    CTransferObserver& m_observer;
    CExchange m_exchange;
    int m_nStatus = kStatusOk;
};

// The baud rate a panel text stands for: leading blanks, then decimal digits,
// anything after the digits ignored. 0 when the text has no digits or the
// value is out of range.
uint32_t BaudFromText(const CText& text);

}  // namespace fennmere
