#pragma once
// The one formatter of platform failures: operation text, the code, then the system's text.

#include <string>

namespace orvane {

// "operation (Windows 5): text" or "operation (errno 13): text"; "I/O failure" when text is empty.
std::string formatPlatformError(const std::string& operation, const char* codeKind,
                                unsigned long code, const std::string& systemText);

#ifdef _WIN32
// Reads the calling thread's last-error code: call it right after the failing call.
[[noreturn]] void throwWindowsError(const std::string& operation);
// Same, for a code already saved.
[[noreturn]] void throwWindowsErrorCode(const std::string& operation, unsigned long code);
#else
// error is the errno saved right after the failing call.
[[noreturn]] void throwErrnoError(const std::string& operation, int error);
#endif

}  // namespace orvane
