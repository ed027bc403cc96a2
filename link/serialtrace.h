// Trace texts of the failed serial calls, shared by both port backends so
// that the diagnostics read the same on every platform.
#pragma once

namespace fennmere::serialtrace {

inline constexpr const char* kOpenFailed = "CSerialPort::Open, Failed to open the comms port, Error:%d\n";
inline constexpr const char* kCloseFailed = "CSerialPort::Close, Failed to close up the comms port, Error:%d\n";
inline constexpr const char* kWriteFailed = "CSerialPort::WriteEx, Failed in call to WriteFileEx, Error:%d\n";
inline constexpr const char* kReadFailed = "CSerialPort::ReadEx, Failed in call to ReadFileEx, Error:%d\n";
inline constexpr const char* kPurgeFailed = "CSerialPort::Purge, Failed in call to PurgeComm, Error:%d\n";
inline constexpr const char* kFlushFailed = "CSerialPort::Flush, Failed in call to FlushFileBuffers, Error:%d\n";
inline constexpr const char* kTimeoutsFailed =
    "CSerialPort::SetTimeouts, Failed in call to SetCommTimeouts, Error:%d\n";
inline constexpr const char* kGetStateFailed = "CSerialPort::GetState, Failed in call to GetCommState, Error:%d\n";
inline constexpr const char* kSetStateFailed = "CSerialPort::SetState, Failed in call to SetCommState, Error:%d\n";

}  // namespace fennmere::serialtrace
