// What is the same on every system: the texts of a port's description and state.
#include "portinfo.h"

namespace fennmere {

std::string PortDescription(const CPortInfo& port)
{
    std::string text = port.m_strVendor;
    if (!port.m_strProduct.empty()) text += (text.empty() ? "" : " ") + port.m_strProduct;
    for (const std::string& part :
         {port.m_strSerial.empty() ? std::string() : "serial " + port.m_strSerial, port.m_strUsbId, port.m_strDriver})
        if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string PortStateText(const CPortInfo& port)
{
    switch (port.m_eState) {
    case EPortState::Free: return "free";
    case EPortState::InUse: return port.m_strHolder.empty() ? "in use" : "in use by " + port.m_strHolder;
    case EPortState::NotAccessible:
        return port.m_strGroup.empty() ? "not accessible" : "not accessible (group " + port.m_strGroup + ")";
    case EPortState::Missing: return "missing";
    }
    return {};
}

}  // namespace fennmere
