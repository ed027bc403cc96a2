// Times what `fennmere diff OLD NEW` does once the program runs: both files
// read and compared. Usage: fennmere-bench-diff OLD NEW [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "config/configdiff.h"
#include "config/setupfile.h"

using namespace fennmere;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fennmere-bench-diff OLD NEW [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 200;
    std::size_t found = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) {
        CConfiguration oldConfig = MakeNewConfiguration();
        CConfiguration newConfig = oldConfig;
        bool oldComplete = false, newComplete = false;
        if (!LoadSetupFile(oldConfig, argv[1], nullptr, &oldComplete).m_bOk ||
            !LoadSetupFile(newConfig, argv[2], nullptr, &newComplete).m_bOk) {
            std::fprintf(stderr, "cannot read the files\n");
            return 3;
        }
        auto source = [](bool complete) { return complete ? EConfigSource::CompleteFile : EConfigSource::SetupFile; };
        found += CompareConfigurations(oldConfig, source(oldComplete), newConfig, source(newComplete)).size();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("diff %s %s: %.3f ms per run over %d runs (%zu differences)\n", argv[1], argv[2], ms / runs, runs,
                found / static_cast<std::size_t>(runs));
    return 0;
}
