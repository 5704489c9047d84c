#include "platform/program_path_windows.h"

#include <vector>

#include "platform/windows_api.h"

namespace orvane {

std::optional<NativeString> programFilePath() {
    // Long enough for any path; a full buffer would be a truncated path without its terminator.
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return std::nullopt;
    return NativeString(buffer.data(), length);
}

}  // namespace orvane
