// Complete configuration files through the reader: a refused file changes
// nothing, and whatever is taken the writer gives back as a file that reads
// as the same configuration and writes as the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/configdump.h"
#include "configchecks.h"

using namespace fennmere;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CConfiguration read = fuzz::NewConfiguration();
    std::string error;
    if (!ConfigurationFromJson(bytes, read, error)) {
        fuzz::Require(!error.empty() && read == fuzz::NewConfiguration());
        return 0;
    }

    // Read into an empty configuration: every field must come from the file.
    const std::string written = ConfigurationToJson(read);
    CConfiguration again;
    fuzz::Require(ConfigurationFromJson(written, again, error));
    // The text tells -0 from 0, which == does not.
    fuzz::Require(ConfigurationToJson(again) == written);
    fuzz::Require(fuzz::Same(read, again));
    return 0;
}
