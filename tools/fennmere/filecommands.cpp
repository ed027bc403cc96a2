// fennmere new | convert | show: the setup-file commands.
#include <cstdio>

#include "cli.h"
#include "config/configwriter.h"
#include "config/configdump.h"

namespace fennmere::cli {

namespace {

const char* const kNewUsage =
    "usage: fennmere new [-o FILE] [--sensors FILE]\n"
    "\n"
    "Writes the setup file of a new configuration, as File New and File Save\n"
    "would write it.\n"
    "\n"
    "  -o, --output FILE  write to FILE (atomically) instead of standard output\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini in the\n"
    "                     current directory; a missing file is not an error)\n";

const char* const kConvertUsage =
    "usage: fennmere convert IN [-o OUT] [--sensors FILE]\n"
    "\n"
    "Opens the setup file IN on top of a new configuration, as File Open does,\n"
    "and writes what File Save would write. IN may also be a complete\n"
    "configuration file (what show --json prints); \"-\" reads standard input.\n"
    "\n"
    "  -o, --output OUT   write to OUT (atomically) instead of standard output\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n";

const char* const kShowUsage =
    "usage: fennmere show IN [--json] [--sensors FILE]\n"
    "\n"
    "Opens the setup file IN on top of a new configuration, as File Open does,\n"
    "and prints every field of the configuration, also those a setup file does\n"
    "not carry, and the sensor definition, serial driver and port tables.\n"
    "IN may also be a complete configuration file (what show --json prints);\n"
    "\"-\" reads standard input.\n"
    "\n"
    "  --json             print JSON (layout in README.md) instead of lines\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n";



}  // namespace

int CommandNew(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kNewUsage)) return kExitOk;
    CArgs args(argv, {"-o", "--output", "--sensors"}, {});
    args.ExpectPositional(0, 0);
    WriteOutput(OutputPath(args), WriteSetupFile(NewDocument(args)));
    return kExitOk;
}

int CommandConvert(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kConvertUsage)) return kExitOk;
    CArgs args(argv, {"-o", "--output", "--sensors"}, {});
    args.ExpectPositional(1, 1);
    CConfiguration config = NewDocument(args);
    OpenSetupFile(config, args.Positional()[0], true);
    WriteOutput(OutputPath(args), WriteSetupFile(config));
    return kExitOk;
}

int CommandShow(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kShowUsage)) return kExitOk;
    CArgs args(argv, {"--sensors"}, {"--json"});
    args.ExpectPositional(1, 1);
    CConfiguration config = NewDocument(args);
    OpenSetupFile(config, args.Positional()[0]);
    WriteOutput(std::nullopt, args.Flag("--json") ? ConfigurationToJson(config) : ConfigurationToText(config));
    return kExitOk;
}

}  // namespace fennmere::cli
