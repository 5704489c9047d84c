#include "platform/platform_error.h"
#include "platform/unique_handle_windows.h"
#include "storage/read_only_file.h"

namespace orvane {

namespace {

class WindowsReadOnlyFile final : public ReadOnlyFile {
  public:
    explicit WindowsReadOnlyFile(UniqueFileHandle handle) : handle_(std::move(handle)) {}

    std::uint64_t size() override {
        LARGE_INTEGER bytes{};
        if (!GetFileSizeEx(handle_.get(), &bytes))
            throwWindowsError("Read model file size");
        return static_cast<std::uint64_t>(bytes.QuadPart);
    }

    std::uint32_t readUpTo(std::uint64_t offset, void* buffer, std::uint32_t size) override {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD transferred = 0;
        if (!ReadFile(handle_.get(), buffer, size, &transferred, &position)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                return 0;
            throwWindowsErrorCode("Read model file", error);
        }
        return static_cast<std::uint32_t>(transferred);
    }

  private:
    UniqueFileHandle handle_;
};

}  // namespace

std::unique_ptr<ReadOnlyFile> openReadOnlyPlatformFile(const std::filesystem::path& path) {
    // Others may keep reading the model; nobody may write it while its load time is measured.
    UniqueFileHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING, nullptr));
    if (!handle)
        throwWindowsError("Open model file uncached");
    return std::make_unique<WindowsReadOnlyFile>(std::move(handle));
}

}  // namespace orvane
