#include <climits>
#include <stdexcept>

#include "platform/platform_error.h"
#include "platform/unique_handle_windows.h"
#include "storage/small_file.h"

namespace orvane {

void writeSmallFile(const std::filesystem::path& path, const void* buffer, std::size_t size,
                    const std::function<void()>& created) {
    if (size > ULONG_MAX)
        throw std::runtime_error(kShortSmallFileWriteMessage);
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throwWindowsError("Create small file");

    if (created) {
        try {
            created();
        } catch (...) {
            file.reset();
            DeleteFileW(path.c_str());
            throw;
        }
    }

    DWORD written = 0;
    BOOL ok = WriteFile(file.get(), buffer, static_cast<DWORD>(size), &written, nullptr);
    if (ok)
        ok = FlushFileBuffers(file.get());
    // The close must not overwrite the code of a failed write or flush.
    const DWORD savedError = GetLastError();
    file.reset();
    SetLastError(savedError);
    if (!ok)
        throwWindowsError("Write/flush small file");
    if (written < size)
        throw std::runtime_error(kShortSmallFileWriteMessage);
}

}  // namespace orvane
