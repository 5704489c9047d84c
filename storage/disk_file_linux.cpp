#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/aligned_buffer.h"
#include "storage/block_device_linux.h"
#include "storage/linux_file.h"
#include "storage/sector_rule.h"

namespace orvane {

namespace {

// The one place that maps the test file's mode to flags.
int testFileFlags(bool create) {
    const int flags = O_RDWR | O_DIRECT | O_DSYNC | O_CLOEXEC;
    return create ? flags | O_CREAT | O_EXCL : flags;
}

// btrfs buffers direct writes to checksummed files; NOCOW must be set while the file is empty.
void disableCopyOnWrite(int fd) {
    int attributes = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &attributes) != 0)
        return;
    if (attributes & FS_NOCOW_FL)
        return;
    attributes |= FS_NOCOW_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &attributes);  // EINVAL/EOPNOTSUPP: the filesystem has no COW
}

std::optional<std::uint32_t> physicalBlockSize(int fd) {
    const auto device = blockDeviceOfFile(fd);
    if (!device)
        return std::nullopt;
    return readSysfsNumber(device->diskDir + "/queue/physical_block_size");
}

// Direct-I/O alignment the kernel promises for this file (6.1+); 0 means it would buffer.
std::optional<std::uint32_t> directIoOffsetAlignment(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &info) != 0)
        return std::nullopt;
    if (!(info.stx_mask & STATX_DIOALIGN))
        return std::nullopt;
    return info.stx_dio_offset_align;
}

// Writes one block into the new, empty file and reads it back from offset 1: O_DIRECT that reaches
// the device refuses that read (EINVAL); a driver that serves it from the page cache accepts it.
// Leaves the file empty again. Reads of a hole never reach the device, hence the write.
bool directReadsComeFromTheCache(int fd) {
    constexpr std::uint32_t kProbeBytes = 4096;
    AlignedBuffer buffer(kProbeBytes);
    ssize_t done;
    do {
        done = ::pwrite(fd, buffer.data(), kProbeBytes, 0);
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        throwErrnoError("Write test file", errno);
    do {
        done = ::pread(fd, buffer.data(), kProbeBytes, 1);
    } while (done < 0 && errno == EINTR);
    const int readError = errno;
    if (::ftruncate(fd, 0) != 0)
        throwErrnoError("Extend test file", errno);
    if (done < 0 && readError != EINVAL)
        throwErrnoError("Read test file", readError);
    return done >= 0;
}

}  // namespace

std::unique_ptr<LinuxFile> openLinuxFile(const std::filesystem::path& path, bool create,
                                         const LinuxSectorQuery& query) {
    UniqueFd fd(::open(path.c_str(), testFileFlags(create), 0600));
    // EINVAL here means the filesystem refuses O_DIRECT: report it, never fall back to buffering.
    if (!fd)
        throwErrnoError("Open uncached test file", errno);

    const auto refuse = [&](const char* message) {
        fd.reset();
        if (create)
            ::unlink(path.c_str());
        throw std::runtime_error(message);
    };

    if (create)
        disableCopyOnWrite(fd.get());
    if (const auto alignment = directIoOffsetAlignment(fd.get())) {
        if (*alignment == 0)
            refuse(kBufferedDirectIoMessage);
        if (!physicalSectorFitsTestRequests(*alignment, 0))
            refuse(kPhysicalSectorMessage);
    }
    const auto physical = query ? query(fd.get()) : physicalBlockSize(fd.get());
    if (physical && !physicalSectorFitsTestRequests(*physical, 0))
        refuse(kPhysicalSectorMessage);
    if (create) {
        bool cached = false;
        try {
            cached = directReadsComeFromTheCache(fd.get());
        } catch (const std::runtime_error& error) {
            refuse(error.what());
        }
        if (cached)
            refuse(kBufferedDirectIoMessage);
    }
    return std::make_unique<LinuxFile>(std::move(fd));
}

std::unique_ptr<DiskFile> openPlatformFile(const std::filesystem::path& path, bool create) {
    return openLinuxFile(path, create);
}

void LinuxFile::readAt(std::uint64_t offset, void* buffer, std::uint32_t size) {
    ssize_t got;
    do {
        got = ::pread(fd_.get(), buffer, size, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        throwErrnoError("Read test file", errno);
    if (static_cast<std::uint64_t>(got) != size)
        throw std::runtime_error(kShortReadMessage);
}

void LinuxFile::writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) {
    ssize_t put;
    do {
        put = ::pwrite(fd_.get(), buffer, size, static_cast<off_t>(offset));
    } while (put < 0 && errno == EINTR);
    if (put < 0)
        throwErrnoError("Write test file", errno);
    if (static_cast<std::uint64_t>(put) != size)
        throw std::runtime_error(kShortWriteMessage);
}

void LinuxFile::flush() {
    if (::fdatasync(fd_.get()) != 0)
        throwErrnoError("Flush test data", errno);
}

bool filesystemBuffersExtendingDirectWrites(unsigned long filesystemMagic) {
    return filesystemMagic == MSDOS_SUPER_MAGIC || filesystemMagic == EXFAT_SUPER_MAGIC;
}

bool LinuxFile::buffersExtendingDirectWrites() const {
    struct statfs facts {};
    if (::fstatfs(fd_.get(), &facts) != 0)
        return false;
    return filesystemBuffersExtendingDirectWrites(static_cast<unsigned long>(facts.f_type));
}

void LinuxFile::preallocate(std::uint64_t size) {
    // FAT and older exFAT drivers buffer direct writes that extend the file.
    if (::fallocate(fd_.get(), 0, 0, static_cast<off_t>(size)) == 0)
        return;
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        throwErrnoError("Extend test file", errno);
    if (::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0)
        throwErrnoError("Extend test file", errno);
}

}  // namespace orvane
