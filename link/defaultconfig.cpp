#include "defaultconfig.h"

#include <utility>

#include "config/configparser.h"
#include "transfersession.h"

namespace fennmere {

namespace {

constexpr std::size_t kClearedReplyBytes = 3000;

class CDefaultConfigRun {
public:
    CDefaultConfigRun(CPortIo& port, CClock& clock, const CConfiguration& operatorConfig,
                      CTransferObserver& observer, const CCancelToken* cancel)
        : m_session(port, clock, observer, cancel), m_config(operatorConfig)
    {
    }

    CDefaultConfigResult Run()
    {
        m_session.Guard([this] { Transfer(); });
        CDefaultConfigResult result;
        result.m_report = m_session.Finish(ETransferKind::DefaultConfig);
        if (m_session.Ok()) result.m_config = std::move(m_config);
        return result;
    }

private:
    void Transfer()
    {
        m_session.Progress(3);
        if (!m_session.OpenPort(m_config.m_panel.m_strComPort, m_config.m_panel.m_strBaud)) return;
        m_session.Progress(10);

        m_session.Exchange("\r", "", 100);
        m_session.Pause(150);
        m_session.ExchangeWhileOk("Exit\r", "", 20);
        m_session.Pause(150);
        m_session.Progress(20);
        m_session.ExchangeWhileOk("Service\r", "Service mode started", 10);
        m_session.Progress(50);
        m_session.Pause(100);
        m_session.Exchanger().ClearReply(kClearedReplyBytes);

        m_session.ExchangeWhileOk("SetDefaultConfig\r", "OK", 100);
        ParseConfigurationText(m_config, m_session.Exchanger().Reply());
        m_session.Progress(70);
        m_session.Exchanger().ClearReply(kClearedReplyBytes);
        m_session.Progress(90);

        m_session.ExchangeWhileOk("Exit\r", "", 20);
        m_session.Progress(100);
        m_session.Pause(100);
        m_session.FlushAndClose();
        m_session.Progress(0);
    }

    CTransferSession m_session;
    CConfiguration m_config;
};

}  // namespace

CDefaultConfigResult RunDefaultConfig(CPortIo& port, CClock& clock,
                                      const CConfiguration& operatorConfig,
                                      CTransferObserver& observer, const CCancelToken* cancel)
{
    return CDefaultConfigRun(port, clock, operatorConfig, observer, cancel).Run();
}

}  // namespace fennmere
