#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/sector_rule.h"
#include "storage/windows_file.h"

namespace orvane {

namespace {

static_assert(sizeof(FILE_STORAGE_INFO) == 28, "FILE_STORAGE_INFO layout drifted");

std::optional<PhysicalSectorSizes> queryStorageInfo(HANDLE handle) {
    FILE_STORAGE_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileStorageInfo, &info, sizeof info)) {
        return std::nullopt;
    }
    return PhysicalSectorSizes{
        static_cast<std::uint32_t>(info.PhysicalBytesPerSectorForAtomicity),
        static_cast<std::uint32_t>(info.PhysicalBytesPerSectorForPerformance)};
}

// The one place that maps the test file's mode to flags.
DWORD testFileFlags() {
    return FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH;
}

}  // namespace

std::unique_ptr<WindowsFile> openWindowsFile(const std::filesystem::path& path, bool create,
                                             const WindowsSectorQuery& query) {
    UniqueFileHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        create ? CREATE_NEW : OPEN_EXISTING, testFileFlags(),
                                        nullptr));
    if (!handle)
        throwWindowsError("Open uncached test file");

    const auto sectors = query ? query(handle.get()) : queryStorageInfo(handle.get());
    if (sectors && !physicalSectorFitsTestRequests(sectors->atomicity, sectors->performance)) {
        handle.reset();
        if (create)
            DeleteFileW(path.c_str());
        throw std::runtime_error(kPhysicalSectorMessage);
    }
    return std::make_unique<WindowsFile>(std::move(handle));
}

std::unique_ptr<DiskFile> openPlatformFile(const std::filesystem::path& path, bool create) {
    return openWindowsFile(path, create);
}

namespace {

// The offset travels with the request, so each timed request is one system call. On a handle
// opened without FILE_FLAG_OVERLAPPED the call still completes before it returns.
OVERLAPPED requestAt(std::uint64_t offset) {
    OVERLAPPED request{};
    request.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    request.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return request;
}

}  // namespace

void WindowsFile::readAt(std::uint64_t offset, void* buffer, std::uint32_t size) {
    OVERLAPPED request = requestAt(offset);
    DWORD transferred = 0;
    if (!ReadFile(handle_.get(), buffer, size, &transferred, &request)) {
        // Reading at or past the end is a short read, as it is through the file pointer.
        if (GetLastError() != ERROR_HANDLE_EOF)
            throwWindowsError("Read test file");
    }
    if (transferred != size)
        throw std::runtime_error(kShortReadMessage);
}

void WindowsFile::writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) {
    OVERLAPPED request = requestAt(offset);
    DWORD transferred = 0;
    if (!WriteFile(handle_.get(), buffer, size, &transferred, &request)) {
        throwWindowsError("Write test file");
    }
    if (transferred != size)
        throw std::runtime_error(kShortWriteMessage);
}

void WindowsFile::flush() {
    if (!FlushFileBuffers(handle_.get()))
        throwWindowsError("Flush test data");
}

}  // namespace orvane
