// Sensor definition files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/sensorfile.h"
#include "configchecks.h"

using namespace fennmere;

namespace {

std::string WithCrLf(std::string_view bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out.push_back('\r');
        out.push_back(bytes[i]);
    }
    return out;
}

void CheckDefinitions(const CConfiguration& c)
{
    for (const auto& d : c.m_sensorDef) {
        fuzz::Require(fuzz::IsFlag(d.m_nRatio) && fuzz::IsFlag(d.m_nVector));
        for (int32_t flag : d.m_nChannel) fuzz::Require(fuzz::IsFlag(flag));
        fuzz::Require(fuzz::IsOneOf(d.m_strDigitalType, {L"", L"FREQ", L"COUNT", L"TIME"}));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CConfiguration parsed = fuzz::NewConfiguration();
    ParseSensorDefinitions(parsed, bytes);
    CheckDefinitions(parsed);

    // Everything outside the sensor table stays as it was.
    CConfiguration outside = parsed;
    outside.m_sensorDef = fuzz::NewConfiguration().m_sensorDef;
    fuzz::Require(outside == fuzz::NewConfiguration());

    // CR LF and LF end lines alike.
    CConfiguration crlf = fuzz::NewConfiguration();
    ParseSensorDefinitions(crlf, WithCrLf(bytes));
    fuzz::Require(fuzz::Same(parsed, crlf));
    return 0;
}
