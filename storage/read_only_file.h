#pragma once
// A file the program only reads, uncached: the user's own model file. Never opened for writing.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace orvane {

class ReadOnlyFile {
  public:
    virtual ~ReadOnlyFile() = default;
    virtual std::uint64_t size() = 0;
    // Reads up to size bytes at offset (aligned like the test file's requests); fewer only at the
    // end of the file.
    virtual std::uint32_t readUpTo(std::uint64_t offset, void* buffer, std::uint32_t size) = 0;
};

using ReadOnlyFileOpener =
    std::function<std::unique_ptr<ReadOnlyFile>(const std::filesystem::path&)>;

// O_RDONLY | O_DIRECT on Linux; GENERIC_READ without buffering, sharing reads, on Windows.
std::unique_ptr<ReadOnlyFile> openReadOnlyPlatformFile(const std::filesystem::path& path);

}  // namespace orvane
