#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/unique_handle_windows.h"
#include "reports/atomic_save.h"

namespace orvane {

void saveReportAtomically(const std::filesystem::path& target, const std::string& text) {
    std::wstring temporary = target.native();
    temporary += L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64());

    UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error(kCannotCreateTemporaryReport);

    // One WriteFile takes a 32-bit count: a larger text cannot be written whole.
    bool ok = text.size() <= MAXDWORD;
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
             written == text.size();
    }
    ok = ok && FlushFileBuffers(file.get());
    const HANDLE handle = file.release();
    ok = CloseHandle(handle) && ok;
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temporary.c_str());
        throw std::runtime_error(kCannotSaveReport);
    }
}

}  // namespace orvane
