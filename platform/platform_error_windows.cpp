#include <stdexcept>

#include "platform/platform_error.h"
#include "platform/text_encoding.h"
#include "platform/unique_handle_windows.h"

namespace orvane {

void throwWindowsErrorCode(const std::string& operation, unsigned long code) {
    std::string text;
    {
        wchar_t* buffer = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        const UniqueLocalMemory owner(buffer);  // released before the throw below
        if (length != 0 && buffer != nullptr)
            text = toUtf8(NativeString(buffer, length));
    }
    throw std::runtime_error(formatPlatformError(operation, "Windows", code, text));
}

void throwWindowsError(const std::string& operation) {
    throwWindowsErrorCode(operation, GetLastError());
}

}  // namespace orvane
