// Diagnostic trace lines (failed serial calls, caught exceptions). Silent by
// default; written to stderr when the environment has FENNMERE_TRACE=1.
// Callable from any thread.
#pragma once

namespace fennmere {

// printf-style; the format carries its own line end.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

bool TraceEnabled();

}  // namespace fennmere
