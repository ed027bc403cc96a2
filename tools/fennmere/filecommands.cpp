// fennmere new | convert | show: the setup-file commands.
#include <memory>

#include "cli.h"
#include "commandline.h"
#include "config/configdump.h"
#include "config/configwriter.h"

namespace fennmere::cli {

namespace {

const char* const kInText = "Opens the setup file IN on top of a new configuration, as File Open does,\n";

void AddNew(CCommandLine& line)
{
    struct COptions {
        COutputOption m_output;
        CSensorsOption m_sensors;
    };
    auto o = std::make_shared<COptions>();
    CLI::App& app = line.Add("new", "write the setup file of a new configuration",
                             {"usage: fennmere new [-o FILE] [--sensors FILE]",
                              "Writes the setup file of a new configuration, as File New and File Save\n"
                              "would write it.",
                              ""},
                             [o](const CPositional& positional) {
                                 ExpectPositional(positional, 0, 0);
                                 WriteOutput(o->m_output.Path(), WriteSetupFile(o->m_sensors.NewDocument()));
                                 return kExitOk;
                             });
    o->m_output.Declare(app);
    o->m_sensors.Declare(app,
                         "sensor definition file (default: sensor.ini in the\n"
                         "current directory; a missing file is not an error)");
}

void AddConvert(CCommandLine& line)
{
    struct COptions {
        COutputOption m_output;
        CSensorsOption m_sensors;
    };
    auto o = std::make_shared<COptions>();
    CLI::App& app =
        line.Add("convert", "open a setup file and write it as File Save would",
                 {"usage: fennmere convert IN [-o OUT] [--sensors FILE]",
                  std::string(kInText) + "and writes what File Save would write. IN may also be a complete\n"
                                         "configuration file (what show --json prints); \"-\" reads standard input.",
                  ""},
                 [o](const CPositional& positional) {
                     ExpectPositional(positional, 1, 1);
                     CConfiguration config = o->m_sensors.NewDocument();
                     OpenSetupFile(config, positional[0], true);
                     WriteOutput(o->m_output.Path(), WriteSetupFile(config));
                     return kExitOk;
                 });
    o->m_output.Declare(app, "OUT", "write to OUT (atomically) instead of standard output");
    o->m_sensors.Declare(app);
}

void AddShow(CCommandLine& line)
{
    struct COptions {
        bool m_bJson = false;
        CSensorsOption m_sensors;
    };
    auto o = std::make_shared<COptions>();
    CLI::App& app =
        line.Add("show", "print every field of a setup file's configuration",
                 {"usage: fennmere show IN [--json] [--sensors FILE]",
                  std::string(kInText) + "and prints every field of the configuration, also those a setup file does\n"
                                         "not carry, and the sensor definition, serial driver and port tables.\n"
                                         "IN may also be a complete configuration file (what show --json prints);\n"
                                         "\"-\" reads standard input.",
                  ""},
                 [o](const CPositional& positional) {
                     ExpectPositional(positional, 1, 1);
                     CConfiguration config = o->m_sensors.NewDocument();
                     OpenSetupFile(config, positional[0]);
                     WriteOutput(std::nullopt, o->m_bJson ? ConfigurationToJson(config) : ConfigurationToText(config));
                     return kExitOk;
                 });
    app.add_flag("--json", o->m_bJson, "print JSON (layout in README.md) instead of lines");
    o->m_sensors.Declare(app);
}

}  // namespace

void AddFileCommands(CCommandLine& line)
{
    AddNew(line);
    AddConvert(line);
    AddShow(line);
}

}  // namespace fennmere::cli
