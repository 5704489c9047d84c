#pragma once
// The Linux test file: O_DIRECT bypasses the page cache, O_DSYNC writes each request through.

#include <functional>
#include <optional>

#include "platform/unique_fd_linux.h"
#include "storage/disk_file.h"
#include "storage/linux_volume_rules.h"

namespace orvane {

class LinuxFile final : public DiskFile {
  public:
    explicit LinuxFile(UniqueFd fd) : fd_(std::move(fd)) {}
    void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) override;
    void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) override;
    void flush() override;
    // Gives the file its final size before a sequential write (see the run).
    void preallocate(std::uint64_t size);
    // True on filesystems whose drivers buffer direct writes that extend the file.
    bool buffersExtendingDirectWrites() const;

  private:
    UniqueFd fd_;
};

// FAT (vfat, msdos) and exFAT, by the filesystem magic of statfs.
bool filesystemBuffersExtendingDirectWrites(unsigned long filesystemMagic);

// Physical block size behind an open file; nullopt when it cannot be read (then accepted).
using LinuxSectorQuery = std::function<std::optional<std::uint32_t>(int fd)>;

// A new file is refused when a misaligned direct read succeeds on it: the page cache is in the
// path (FUSE drivers). query replaces the sysfs query in tests; empty uses the real one.
std::unique_ptr<LinuxFile> openLinuxFile(const std::filesystem::path& path, bool create,
                                         const LinuxSectorQuery& query = {});

}  // namespace orvane
