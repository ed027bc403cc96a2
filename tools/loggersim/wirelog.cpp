#include "wirelog.h"

#include <cerrno>
#include <system_error>

namespace fennmere {

std::string EscapeWireBytes(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        auto byte = static_cast<unsigned char>(ch);
        switch (byte) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (byte >= 0x20 && byte < 0x7F) {
                    out += ch;
                } else {
                    out += "\\x";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                }
        }
    }
    return out;
}

CWireLog::CWireLog(const std::string& path) : m_file(std::fopen(path.c_str(), "w"))
{
    if (!m_file) throw std::system_error(errno, std::generic_category(), path);
}

void CWireLog::Write(const CRxRates& rates, std::string_view rawLine)
{
    if (!m_file) return;
    std::string record = std::to_string(rates.m_nClient);
    if (!rates.Match()) record += "!=" + std::to_string(rates.m_nLogger);
    record += '\t';
    record += EscapeWireBytes(rawLine);
    record += '\n';
    std::fwrite(record.data(), 1, record.size(), m_file.get());
    std::fflush(m_file.get());
}

}  // namespace fennmere
