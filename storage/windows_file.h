#pragma once
// The Windows test file: no buffering, write-through, no sharing.

#include <functional>
#include <optional>

#include "platform/unique_handle_windows.h"
#include "storage/disk_file.h"

namespace orvane {

class WindowsFile final : public DiskFile {
  public:
    explicit WindowsFile(UniqueFileHandle handle) : handle_(std::move(handle)) {}
    void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) override;
    void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) override;
    void flush() override;

  private:
    UniqueFileHandle handle_;
};

// The two physical sector sizes of an open file (atomicity, performance); nullopt when unknown.
struct PhysicalSectorSizes {
    std::uint32_t atomicity = 0;
    std::uint32_t performance = 0;
};
using WindowsSectorQuery = std::function<std::optional<PhysicalSectorSizes>(HANDLE)>;

// query replaces the storage-information query in tests; empty uses the real one.
std::unique_ptr<WindowsFile> openWindowsFile(const std::filesystem::path& path, bool create,
                                             const WindowsSectorQuery& query = {});

}  // namespace orvane
