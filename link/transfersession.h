// What the three transfers share: the port, the clock, the exchange, the
// observer and the transfer status, with the steps of a transfer's frame
// (opening the panel's port, pauses, progress, handling a serial failure and
// the final report). One session per transfer run, used by its thread only.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "config/text.h"
#include "exchange.h"
#include "portio.h"
#include "serialexception.h"
#include "transferobserver.h"

namespace fennmere {

class CTransferSession {
public:
    // cancel, when given, must outlive the session.
    CTransferSession(CPortIo& port, CClock& clock, CTransferObserver& observer, const CCancelToken* cancel = nullptr);

    // Opens the port named by comPort ("COM<n>" or a device path) at the rate
    // baudText gives and sets the transfer time-outs. Without a port name or
    // without a usable rate nothing is opened: the status becomes 6 (with a
    // detail saying why) and the result is false. Serial failures propagate.
    bool OpenPort(const CText& comPort, const CText& baudText);

    // The Send's Serial2 line has gone out: from now on the logger listens
    // at baud. A cancelled run reopens the port at this rate to say "Exit".
    void LoggerSwitchedTo(uint32_t baud) { m_nLoggerBaud = baud; }

    // Exchanges the command; the result becomes the status.
    void Exchange(std::string_view command, std::string_view expected, int limit);
    // The same, but only while the status is 0.
    void ExchangeWhileOk(std::string_view command, std::string_view expected, int limit);

    // Throws CTransferCancelled when the token is cancelled before or while
    // the pause runs.
    void Pause(int ms);
    void Progress(int position);
    // Flush, then close the port.
    void FlushAndClose();

    // A serial failure: trace line, status 5 or 6, and the exception's
    // explanation as the report's detail. The port stays as it is.
    void Fail(const CSerialException& e);

    // The run was cancelled: "Exit\r" goes out once (unanswered awaited; the
    // port is reopened at the logger's rate for it when a phase had closed
    // it), and the status becomes ETransferStatus::Cancelled. Never throws.
    void Cancelled();

    // Runs body, turning a serial failure into Fail and a cancellation into
    // Cancelled. Returns false when either happened.
    template <class Body>
    bool Guard(Body&& body)
    {
        try {
            body();
            return true;
        } catch (const CSerialException& e) {
            Fail(e);
        } catch (const CTransferCancelled&) {
            Cancelled();
        }
        return false;
    }

    // Ends the run: closes the port (whatever state the run left it in, so
    // that other programs can use it at once), tells the observer and
    // returns the report. A run that got no answer says at which rate it
    // asked.
    CTransferReport Finish(ETransferKind kind, std::vector<std::string> unanswered = {});

    void SetDetail(std::string detail) { m_strDetail = std::move(detail); }
    bool IsCancelled() const { return m_eStatus == ETransferStatus::Cancelled; }

    ETransferStatus Status() const { return m_eStatus; }
    void SetStatus(ETransferStatus status) { m_eStatus = status; }
    bool Ok() const { return m_eStatus == ETransferStatus::Ok; }

    CExchange& Exchanger() { return m_exchange; }
    CPortIo& Port() { return m_port; }
    CClock& Clock() { return m_clock; }
    CTransferObserver& Observer() { return m_observer; }

private:
    CPortIo& m_port;
    CClock& m_clock;
    CTransferObserver& m_observer;
    const CCancelToken* m_pCancel;
    CExchange m_exchange;
    ETransferStatus m_eStatus = ETransferStatus::Ok;
    std::string m_strDetail;
    // The port as last opened, and the rate the logger listens at.
    std::string m_strPortName;
    uint32_t m_nBaud = 0;
    uint32_t m_nLoggerBaud = 0;
};

}  // namespace fennmere
