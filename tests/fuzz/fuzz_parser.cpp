// Logger replies and setup-file text through the configuration parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/configparser.h"
#include "configchecks.h"

using namespace fennmere;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    CConfiguration once = fuzz::NewConfiguration();
    ParseConfigurationText(once, text);
    fuzz::CheckParsedConfiguration(once);

    // Every segment sets fields from its own text alone, so the result does
    // not depend on what ran before, and a second pass changes nothing.
    CConfiguration again = fuzz::NewConfiguration();
    ParseConfigurationText(again, text);
    fuzz::Require(fuzz::Same(once, again));
    ParseConfigurationText(again, text);
    fuzz::Require(fuzz::Same(once, again));
    return 0;
}
