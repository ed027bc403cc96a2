// A record of every line the logger received, for tests and for looking at
// what a client really sent. One text line per received line:
//
//     <client rate>[!=<logger rate>] TAB <line, escaped>
//
// The line keeps its line end; CR, LF, TAB and backslash are written as \r,
// \n, \t and \\, other bytes outside printable ASCII as \xHH. The rate part
// reads "9600!=115200" when the client sent at 9600 while the logger listened
// at 115200 (the logger then heard noise, not that line).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "lineassembler.h"

namespace fennmere {

std::string EscapeWireBytes(std::string_view bytes);

class CWireLog {
public:
    CWireLog() = default;
    // Truncates path. Throws std::system_error when it cannot be opened.
    explicit CWireLog(const std::string& path);

    bool IsOpen() const { return m_file != nullptr; }

    // Written and flushed at once, so that a reader sees every finished line.
    void Write(const CRxRates& rates, std::string_view rawLine);

private:
    struct CFileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CFileCloser> m_file;
};

}  // namespace fennmere
