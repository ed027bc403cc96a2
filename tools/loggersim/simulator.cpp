#include "simulator.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace fennmere {

namespace {

using namespace std::chrono_literals;

// How long to wait for an LF after a CR before the line is recorded without.
constexpr auto kLineEndWait = 20ms;
// How often to look for a client while nobody has the device open.
constexpr auto kClientPoll = 10ms;
// Time for a client to take the last reply before a planned hang-up.
constexpr auto kHangupGrace = 100ms;

constexpr std::string_view kOk = CLoggerDevice::kOk;

bool StartsWithAny(const std::string& text, const std::vector<std::string>& prefixes)
{
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& prefix) { return text.rfind(prefix, 0) == 0; });
}

void KeepEarliest(std::optional<CSimulator::CTime>& earliest, CSimulator::CTime candidate)
{
    if (!earliest || candidate < *earliest) earliest = candidate;
}

}  // namespace

CSimulator::CSimulator(const CSimOptions& options, CLoggerDevice& device, CPtyPort& port, CWireLog& log, int signalFd)
    : m_options(options),
      m_device(device),
      m_port(port),
      m_log(log),
      m_signalFd(signalFd),
      m_random(options.m_nSeed),
      m_transmitter(port, {options.m_bPace, options.m_bNoise, options.m_nSplitDelayMs}, m_random),
      m_feed(options.m_nNoteEvery, options.m_nSeed),
      m_nBaud(options.m_nBaud)
{
}

int CSimulator::Run()
{
    m_lastReceived = m_lastFed = std::chrono::steady_clock::now();
    while (!m_bDone) {
        Step(std::chrono::steady_clock::now());
        if (m_bDone || !WaitForActivity(std::chrono::steady_clock::now())) break;
    }
    std::vector<CLineEvent> events;
    m_assembler.EndSession(events);
    HandleEvents(events);
    return 0;
}

void CSimulator::Step(CTime now)
{
    if (m_hangupAt && now >= *m_hangupAt) {
        m_port.Close();
        m_bDone = true;
        return;
    }
    Receive(now);
    if (m_assembler.HasPendingRecord() && now - m_lastFed >= kLineEndWait) {
        std::vector<CLineEvent> events;
        m_assembler.Flush(events);
        HandleEvents(events);
    }
    if (m_bClient) EmitData(now);
    m_nextTransmit = m_transmitter.Pump(now);
    if (m_bHangupDue && !m_hangupAt && m_transmitter.IsIdle()) m_hangupAt = now + kHangupGrace;
    if (m_options.m_fExitAfterIdle > 0.0 &&
        now - m_lastReceived >= std::chrono::duration<double>(m_options.m_fExitAfterIdle))
        m_bDone = true;
}

// A client that opened the device, wrote and closed again between two looks
// still gets its session, so that its lines are served and recorded.
void CSimulator::Receive(CTime now)
{
    std::string bytes;
    EReadResult result = m_port.ReadAvailable(bytes);
    bool present = result != EReadResult::NoClient && m_port.HasClient();
    if ((present || !bytes.empty()) && !m_bClient) StartSession(now);
    if (!bytes.empty()) {
        m_lastReceived = m_lastFed = now;
        std::vector<CLineEvent> events;
        m_assembler.Feed(bytes, CurrentRates(), events);
        HandleEvents(events);
    }
    if (!present && m_bClient) EndSession();
}

void CSimulator::StartSession(CTime now)
{
    m_bClient = true;
    m_nextData = now + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(m_options.m_fDataInterval.value_or(0.0)));
}

// What was sent to a client that has gone is lost, as on a real port.
void CSimulator::EndSession()
{
    m_bClient = false;
    std::vector<CLineEvent> events;
    m_assembler.EndSession(events);
    HandleEvents(events);
    m_transmitter.Drop();
    m_port.DiscardUnread();
}

CRxRates CSimulator::CurrentRates() const
{
    return {m_port.ClientBaud(), m_nBaud};
}

void CSimulator::HandleEvents(const std::vector<CLineEvent>& events)
{
    for (const CLineEvent& event : events) {
        if (event.m_eKind == CLineEvent::EKind::Record)
            m_log.Write(event.m_rates, event.m_strText);
        else
            HandleCommand(event);
    }
}

void CSimulator::HandleCommand(const CLineEvent& event)
{
    if (!event.m_rates.Match()) {
        // The logger heard noise; whatever it says back is noise to the client.
        if (!m_options.m_bSilent && !m_bStopped) SendGarbage(CLoggerDevice::kError.size());
        return;
    }
    ++m_nCommands;
    if (Answers(event.m_strText)) {
        CDeviceReply reply = m_device.Handle(event.m_strText);
        SendReply(event.m_strText, std::move(reply.m_strText));
        if (reply.m_nSwitchBaud != 0) m_nBaud = reply.m_nSwitchBaud;
    }
    if (m_options.m_nHangupAfter > 0 && m_nCommands >= m_options.m_nHangupAfter) m_bHangupDue = true;
}

// A logger that no longer answers no longer acts on commands either.
bool CSimulator::Answers(const std::string& command)
{
    if (m_options.m_bSilent) return false;
    if (!m_bStopped && StartsWithAny(command, m_options.m_stopAt)) m_bStopped = true;
    return !m_bStopped;
}

void CSimulator::SendReply(const std::string& command, std::string text)
{
    if (StartsWithAny(command, m_options.m_noOk) && text.ends_with(kOk)) text.resize(text.size() - kOk.size());
    m_transmitter.QueueReply(text, m_nBaud);
}

// Random bytes, but never an 'O' or a 'K', so that noise can never pass for
// an acknowledgement.
void CSimulator::SendGarbage(std::size_t length)
{
    if (m_options.m_eMismatch == EMismatch::Silence) return;
    std::uniform_int_distribution<int> byte(0, 255);
    std::string noise;
    while (noise.size() < length) {
        int code = byte(m_random);
        if (code != 'O' && code != 'K' && code != '\r' && code != '\n') noise += static_cast<char>(code);
    }
    m_transmitter.QueueRaw(std::move(noise), m_nBaud);
}

void CSimulator::EmitData(CTime now)
{
    if (!m_options.m_fDataInterval || m_device.InServiceMode() || now < m_nextData || !m_transmitter.IsIdle()) return;
    const long dataLinesBefore = m_feed.DataLines();
    std::string line = m_feed.NextLine(m_device.ClockNow(), DataSeparator(), DataColumns());
    auto gap = std::max(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(*m_options.m_fDataInterval)),
        CTransmitter::TransmitTime(line.size(), m_nBaud));
    m_nextData = now + std::chrono::duration_cast<std::chrono::steady_clock::duration>(gap);
    if (m_port.ClientBaud() == m_nBaud) {
        m_nDataLinesSent += m_feed.DataLines() - dataLinesBefore;
        m_nDataBytesSent += static_cast<long long>(line.size());
        m_transmitter.QueueRaw(std::move(line), m_nBaud);
    } else {
        SendGarbage(line.size());
    }
}

char CSimulator::DataSeparator() const
{
    switch (m_options.m_eDataFormat) {
        case EDataFormat::Default:
            return ' ';
        case EDataFormat::Csv:
            return ',';
        case EDataFormat::FromConfiguration:
            break;
    }
    return m_device.Configuration().m_system.m_strDataFormat == L"CSV" ? ',' : ' ';
}

// One column per output that has an input, and one for each statistic asked
// for, whatever the input.
int CSimulator::DataColumns() const
{
    if (m_options.m_nColumns) return *m_options.m_nColumns;
    int columns = 0;
    const auto& outputs = m_device.Configuration().m_output;
    for (int i = 0; i < kOutputsUsed; ++i) {
        const COutput& o = outputs[i];
        columns += (o.m_strInput != L"0") + (o.m_nMin == 1) + (o.m_nMax == 1) + (o.m_nStdev == 1);
    }
    return columns;
}

std::optional<CSimulator::CTime> CSimulator::NextWake(CTime now) const
{
    std::optional<CTime> wake;
    if (m_nextTransmit) KeepEarliest(wake, *m_nextTransmit);
    if (m_assembler.HasPendingRecord()) KeepEarliest(wake, m_lastFed + kLineEndWait);
    if (m_bClient && m_options.m_fDataInterval && !m_device.InServiceMode() && m_transmitter.IsIdle())
        KeepEarliest(wake, m_nextData);
    if (m_bHangupDue && m_transmitter.IsIdle()) KeepEarliest(wake, m_hangupAt.value_or(now));
    if (m_options.m_fExitAfterIdle > 0.0)
        KeepEarliest(wake, m_lastReceived + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                std::chrono::duration<double>(m_options.m_fExitAfterIdle)));
    if (!m_bClient) KeepEarliest(wake, now + kClientPoll);
    return wake;
}

// Sleeps until a byte arrives, the client comes or goes, something is due, or
// a signal asks to stop (then false).
bool CSimulator::WaitForActivity(CTime now)
{
    pollfd fds[2] = {{m_signalFd, POLLIN, 0}, {m_port.MasterFd(), POLLIN, 0}};
    nfds_t count = m_bClient ? 2 : 1;  // without a client the master only reports its hang-up
    std::optional<CTime> wake = NextWake(now);
    timespec timeout{};
    timespec* limit = nullptr;
    if (wake) {
        auto wait =
            std::max(std::chrono::nanoseconds(0), std::chrono::duration_cast<std::chrono::nanoseconds>(*wake - now));
        timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        limit = &timeout;
    }
    int ready = ::ppoll(fds, count, limit, nullptr);
    if (ready < 0) return errno == EINTR;
    return (fds[0].revents & POLLIN) == 0;
}

}  // namespace fennmere
