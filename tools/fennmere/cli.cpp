#include "cli.h"
#include "logbook/logbook.h"

#include <cstdio>

#include "config/setupfile.h"

namespace fennmere::cli {

bool OpenSetupFile(CConfiguration& config, const std::string& path, bool warnDropped)
{
    std::vector<std::string> dropped;
    bool complete = false;
    CFileResult result = LoadSetupFile(config, path, warnDropped ? &dropped : nullptr, &complete);
    if (!result.m_bOk) throw CFileError(result.m_strError);
    for (const std::string& field : dropped) {
        std::fprintf(stderr, "warning: %s: %s (setup files and the logger carry printable ASCII only)\n",
                     path == "-" ? "<stdin>" : path.c_str(), field.c_str());
    }
    return complete;
}

void WriteOutput(const std::optional<std::string>& path, const std::string& bytes)
{
    if (!path || path->empty() || *path == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            throw CFileError("<stdout>: write error");
        return;
    }
    CFileResult result = SaveFileAtomically(*path, bytes);
    if (!result.m_bOk) throw CFileError(result.m_strError);
}

#ifdef FENNMERE_HAVE_LINK
CKeeping ConsoleKeeping(std::string prefix)
{
    return {CLogbook(), [prefix = std::move(prefix)](const std::string& problem) {
                std::fprintf(stderr, "warning: %s%s\n", prefix.c_str(), problem.c_str());
            }};
}
#endif

}  // namespace fennmere::cli
