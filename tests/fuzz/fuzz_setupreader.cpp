// Setup files through the line reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/configparser.h"
#include "configchecks.h"

using namespace fennmere;

namespace {

// The same file with CR LF ends everywhere and a line end after its last line.
std::string WithCrLf(std::string_view bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out.push_back('\r');
        out.push_back(bytes[i]);
    }
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CConfiguration asGiven = fuzz::NewConfiguration();
    ReadSetupText(asGiven, bytes);
    fuzz::CheckParsedConfiguration(asGiven);

    // Line ends and a missing last one must not change what a file says.
    CConfiguration normalised = fuzz::NewConfiguration();
    ReadSetupText(normalised, WithCrLf(bytes));
    fuzz::Require(fuzz::Same(asGiven, normalised));
    return 0;
}
