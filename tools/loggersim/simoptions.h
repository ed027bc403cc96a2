// Command-line options of the logger simulator.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fennmere {

enum class EDataFormat { FromConfiguration, Default, Csv };
enum class EMismatch { Garbage, Silence };

struct CSimOptions {
    std::string m_strLink;   // symlink to the slave device, removed at exit
    std::string m_strState;  // state file: loaded at start, written by SaveConfig
    std::string m_strLog;    // every received line, escaped, with its baud rate
    int m_nBaud = 115200;    // rate the logger starts at
    int m_nCount = 1;        // loggers, each on its own device
    bool m_bPace = false;    // take as long per byte as the rate would
    EMismatch m_eMismatch = EMismatch::Garbage;
    std::string m_strSerial = "2105057";
    std::string m_strFirmware = "2.05";

    // Live data, emitted outside service mode while a client has the port open.
    std::optional<double> m_fDataInterval;  // seconds; 0 = back to back
    EDataFormat m_eDataFormat = EDataFormat::FromConfiguration;
    std::optional<int> m_nColumns;  // default: the configured value columns
    int m_nNoteEvery = 0;           // a non-data line after every n data lines

    // Faults.
    bool m_bSilent = false;
    std::vector<std::string> m_stopAt;  // stop answering from the first such command
    std::vector<std::string> m_noOk;    // withhold the OK for commands with these prefixes
    std::vector<std::string> m_ignore;  // acknowledge but do not store lines with these prefixes
    bool m_bNoise = false;
    int m_nSplitDelayMs = -1;       // < 0: replies go out whole
    int m_nHangupAfter = 0;         // 0: never
    double m_fExitAfterIdle = 0.0;  // seconds without a received byte; 0: never
    unsigned m_nSeed = 1;

    bool m_bHelp = false;
};

struct CParsedOptions {
    CSimOptions m_options;
    std::string m_strError;  // empty when the command line was accepted
};

CParsedOptions ParseSimOptions(const std::vector<std::string>& args);

std::string SimUsageText();

}  // namespace fennmere
