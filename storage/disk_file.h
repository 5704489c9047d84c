#pragma once
// The benchmark's only view of its large test file: positioned, uncached, written-through I/O.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace orvane {

class DiskFile {
  public:
    virtual ~DiskFile() = default;
    // Reads exactly size bytes at offset; a short read is a failure.
    virtual void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) = 0;
    // Writes exactly size bytes at offset; a short write is a failure.
    virtual void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) = 0;
    // Makes every completed write durable on the device.
    virtual void flush() = 0;
};

// (path, create): create must make a new file and fail if one exists; otherwise open the existing
// one.
using DiskFileFactory =
    std::function<std::unique_ptr<DiskFile>(const std::filesystem::path& path, bool create)>;

// The platform's own uncached file: openWindowsFile on Windows, openLinuxFile on Linux.
std::unique_ptr<DiskFile> openPlatformFile(const std::filesystem::path& path, bool create);

inline constexpr const char* kShortReadMessage = "Short read: drive returned incomplete test data.";
inline constexpr const char* kShortWriteMessage =
    "Short write: drive accepted incomplete test data.";

}  // namespace orvane
