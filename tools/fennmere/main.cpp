// fennmere: the command-line face of FennmereSetup.
#include "cli.h"
#include "commandline.h"
#include "console.h"

int main(int argc, char** argv)
{
    using namespace fennmere::cli;
    PrepareConsole();
    CCommandLine line;
    AddFileCommands(line);
    AddPortCommands(line);
    AddTransferCommands(line);
    AddLiveCommand(line);
    AddDiffCommand(line);
    AddLogbookCommand(line);
    return line.Run(argc, argv);
}
