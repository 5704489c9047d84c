#include <climits>
#include <stdexcept>

#include "cli/run_command_line.h"
#include "platform/platform_error.h"
#include "platform/scope_exit.h"
#include "platform/unique_handle_windows.h"

namespace orvane {

void writeNewReportFile(const std::filesystem::path& path, const std::string& text) {
    if (text.size() > ULONG_MAX)
        throw std::runtime_error("Report too large");
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throwWindowsError("Create report file");
    // CREATE_NEW made it ours: a partial report would only block the retry.
    ScopeExit removePartial([&] {
        file.reset();
        DeleteFileW(path.c_str());
    });
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        throwWindowsError("Write report file");
    }
    if (!FlushFileBuffers(file.get()))
        throwWindowsError("Flush report file");
    removePartial.release();
}

}  // namespace orvane
