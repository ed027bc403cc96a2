// fennmere: the command-line face of FennmereSetup.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "fennmereversion.h"
#include "console.h"

namespace {

using namespace fennmere::cli;

struct CCommand {
    const char* m_szName;
    int (*m_pRun)(const std::vector<std::string>&);
    const char* m_szSummary;
};

const CCommand kCommands[] = {
    {"new", CommandNew, "write the setup file of a new configuration"},
    {"convert", CommandConvert, "open a setup file and write it as File Save would"},
    {"show", CommandShow, "print every field of a setup file's configuration"},
    {"ports", CommandPorts, "list the serial ports found on this computer"},
    {"find", CommandFind, "find the port and baud rate a logger answers at"},
    {"terminal", CommandTerminal, "type commands to a logger by hand"},
    {"retrieve", CommandRetrieve, "read a logger's configuration"},
    {"send", CommandSend, "write a setup file's configuration into a logger"},
    {"default-config", CommandDefaultConfig, "return a logger to its default configuration"},
    {"live", CommandLive, "print the data lines a logger emits as they arrive"},
    {"diff", CommandDiff, "compare two configurations, or one with a logger's"},
    {"logbook", CommandLogbook, "list, show or restore the configurations kept of each logger"},
};

void PrintUsage(std::FILE* out)
{
    std::fputs("usage: fennmere COMMAND [OPTIONS]\n\ncommands:\n", out);
    for (const auto& command : kCommands) std::fprintf(out, "  %-15s %s\n", command.m_szName, command.m_szSummary);
    std::fputs("\n'fennmere COMMAND --help' describes a command.\n"
               "Exit status: 0 success, 1 no response from the logger, 2 usage error,\n"
               "3 file error, 4 commands without response, 5 port in use, 6 communication error,\n"
               "7 verification failed (the logger does not hold what was sent),\n"
               "130 cancelled (SIGINT, SIGTERM or SIGHUP during a transfer).\n",
               out);
}

}  // namespace

int main(int argc, char** argv)
{
    PrepareConsole();
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (name == "--version") {
        std::puts("fennmere (FennmereSetup) " FENNMERE_VERSION);
        return kExitOk;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& command : kCommands) {
        if (name != command.m_szName) continue;
        try {
            return command.m_pRun(args);
        } catch (const CUsageError& e) {
            std::fprintf(stderr, "fennmere %s: %s\nTry 'fennmere %s --help'.\n", command.m_szName, e.what(),
                         command.m_szName);
            return kExitUsage;
        } catch (const CFileError& e) {
            std::fprintf(stderr, "fennmere %s: %s\n", command.m_szName, e.what());
            return kExitFile;
        }
    }
    std::fprintf(stderr, "fennmere: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
