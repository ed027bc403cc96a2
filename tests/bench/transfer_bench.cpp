// Times a Retrieve and a Send against a logger and compares each with the
// protocol's floor: every pause the protocol makes, the 10 ms of silence that
// ends each read that received bytes, and the time the bytes take on the line
// at the baud rate (10 bits per byte). Prints the figures; asserts nothing.
//
// usage: fennmere-bench-transfer PORT [BAUD]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/configuration.h"
#include "config/text.h"
#include "link/clock.h"
#include "link/retrieve.h"
#include "link/send.h"
#include "link/serialport.h"

using namespace fennmere;
using Clock = std::chrono::steady_clock;

namespace {

class CCountingClock final : public CClock {
public:
    using CClock::Sleep;
    void Sleep(std::chrono::milliseconds duration) override
    {
        m_slept += duration;
        CSystemClock::Instance().Sleep(duration);
    }
    Clock::time_point Now() const override { return Clock::now(); }
    std::chrono::milliseconds m_slept{0};
};

// Counts what crosses the line; everything else is the real port.
class CCountingPort final : public CPortIo {
public:
    explicit CCountingPort(CPortIo& port) : m_port(port) {}
    void Open(const std::string& name, uint32_t baud) override { m_port.Open(name, baud); }
    void SetTimeouts(const CSerialTimeouts& t) override
    {
        m_nInterval = t.m_nReadInterval;
        m_port.SetTimeouts(t);
    }
    void Write(std::string_view bytes) override
    {
        m_nBytes += bytes.size();
        m_port.Write(bytes);
    }
    std::size_t Read(char* buffer, std::size_t capacity) override
    {
        std::size_t n = m_port.Read(buffer, capacity);
        m_nBytes += n;
        if (n > 0) ++m_nReadsWithData;
        return n;
    }
    void PurgeReceive() override { m_port.PurgeReceive(); }
    void Flush() override { m_port.Flush(); }
    void Close() override { m_port.Close(); }
    bool IsOpen() const override { return m_port.IsOpen(); }

    CPortIo& m_port;
    std::size_t m_nBytes = 0;
    std::size_t m_nReadsWithData = 0;
    uint32_t m_nInterval = 10;
};

class CQuietObserver final : public CTransferObserver {
public:
    void SetProgress(int) override {}
    void Finished(const CTransferReport& report) override { m_nStatus = static_cast<int>(report.m_eStatus); }
    int m_nStatus = -1;
};

template <typename Run>
bool Measure(const char* name, double baud, Run run)
{
    CSerialPort serial;
    CCountingPort port(serial);
    CCountingClock clock;
    CQuietObserver observer;
    auto start = Clock::now();
    run(port, clock, observer);
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double pauses = static_cast<double>(clock.m_slept.count()) / 1000.0;
    double waits = static_cast<double>(port.m_nReadsWithData * port.m_nInterval) / 1000.0;
    double line = static_cast<double>(port.m_nBytes) * 10.0 / baud;
    double floor = pauses + waits + line;
    std::printf("%-8s status %d  bytes %zu  wall %.3f s  floor %.3f s (pauses %.3f + read waits %.3f + line %.3f)  "
                "ratio %.3f\n",
                name, observer.m_nStatus, port.m_nBytes, wall, floor, pauses, waits, line, wall / floor);
    return observer.m_nStatus == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [BAUD]\n", argv[0]);
        return 2;
    }
    std::string baudText = argc > 2 ? argv[2] : "115200";
    CConfiguration config = MakeNewConfiguration();
    config.m_panel.m_strComPort = WidenLatin1(argv[1]);
    config.m_panel.m_strBaud = WidenLatin1(baudText);
    const double baud = std::atof(baudText.c_str());

    CConfiguration retrieved = config;
    bool ok = Measure("Retrieve", baud, [&](CPortIo& port, CClock& clock, CTransferObserver& observer) {
        CRetrieveResult result = RunRetrieve(port, clock, config, observer);
        if (result.m_config) retrieved = *result.m_config;
    });
    // Send back what was read, at the same rate on both sides.
    retrieved.m_panel = config.m_panel;
    retrieved.m_system.m_strSerial1 = retrieved.m_system.m_strSerial2 = WidenLatin1(baudText);
    ok = Measure("Send", baud, [&](CPortIo& port, CClock& clock, CTransferObserver& observer) {
             RunSend(port, clock, retrieved, observer);
         }) && ok;
    return ok ? 0 : 1;
}
