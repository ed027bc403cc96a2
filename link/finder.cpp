#include "finder.h"

#include <algorithm>

#include "config/configparser.h"
#include "config/configuration.h"
#include "config/text.h"
#include "portnames.h"
#include "serialexception.h"

namespace fennmere {

namespace {

using std::chrono::milliseconds;

constexpr std::string_view kStarted = "Service mode started";

// How long bytes take on the line at baud, ten bits each.
milliseconds LineTime(std::size_t bytes, uint32_t baud)
{
    return milliseconds(static_cast<long long>(bytes) * 10'000 / std::max<uint32_t>(baud, 1) + 1);
}

class CFinder {
public:
    CFinder(CPortIo& port, CClock& clock, const CCancelToken* cancel) : m_port(port), m_clock(clock), m_cancel(cancel)
    {
    }

    bool Cancelled() const { return m_cancel != nullptr && m_cancel->IsCancelled(); }

    // Writes command and reads until expected shows or the wait is over;
    // the reply so far.
    std::string Ask(std::string_view command, std::string_view expected, milliseconds wait)
    {
        m_port.Write(command);
        std::string reply;
        const auto deadline = m_clock.Now() + wait;
        char buffer[256];
        while (!Cancelled() && m_clock.Now() < deadline) {
            const std::size_t got = m_port.Read(buffer, sizeof buffer);
            reply.append(buffer, got);
            if (!expected.empty() && reply.find(expected) != std::string::npos) break;
        }
        return reply;
    }

    // Whether the logger answers service mode at baud.
    bool Answers(const std::string& portName, uint32_t baud)
    {
        m_port.Open(portName, baud);
        m_port.SetTimeouts(kTransferTimeouts);
        m_port.PurgeReceive();
        Ask("\r", "", milliseconds(50));
        m_port.PurgeReceive();
        // The echo and the answer, with room for a slow logger.
        const milliseconds wait = LineTime(8 + 2 * kStarted.size() + 4, baud) + milliseconds(150);
        return Ask("Service\r", kStarted, wait).find(kStarted) != std::string::npos;
    }

    CFoundLogger Identify(uint32_t baud)
    {
        CConfiguration config;
        const milliseconds wait = LineTime(400, baud) + milliseconds(300);
        ParseConfigurationText(config, Ask("?\r", "OK\r\n", wait));
        ParseConfigurationText(config, Ask("System?\r", "OK\r\n", LineTime(2000, baud) + milliseconds(300)));
        Ask("Exit\r", "", milliseconds(50));
        return {baud, NarrowLatin1(config.m_system.m_strSerialNumber), NarrowLatin1(config.m_system.m_strFirmware),
                NarrowLatin1(config.m_system.m_strName)};
    }

private:
    CPortIo& m_port;
    CClock& m_clock;
    const CCancelToken* m_cancel;
};

}  // namespace

const std::vector<uint32_t>& SearchRates()
{
    static const std::vector<uint32_t> rates = {115200, 57600, 38400, 19200, 9600, 2400, 1200};
    return rates;
}

CFindResult FindLogger(CPortIo& port, CClock& clock, const std::string& portName, const std::vector<uint32_t>& rates,
                       const CCancelToken* cancel, const CFindProgress& progress)
{
    CFindResult result;
    CFinder finder(port, clock, cancel);
    // Through a raw network port every rate is the server's: one try tells.
    const std::size_t tries = KeepsItsRate(portName) ? std::min<std::size_t>(rates.size(), 1) : rates.size();
    try {
        for (uint32_t baud : std::vector<uint32_t>(rates.begin(), rates.begin() + static_cast<std::ptrdiff_t>(tries))) {
            if (finder.Cancelled()) break;
            if (progress) progress(portName, baud);
            // A Stop may have come while progress was being told.
            if (finder.Cancelled()) break;
            if (finder.Answers(portName, baud)) {
                result.m_found = finder.Identify(baud);
                break;
            }
            port.Close();
        }
    } catch (const CSerialException& e) {
        result.m_strError = e.GetErrorMessage();
    }
    result.m_bCancelled = finder.Cancelled() && !result.m_found;
    try {
        if (port.IsOpen()) port.Close();
    } catch (const CSerialException&) {
    }
    return result;
}

}  // namespace fennmere
