#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/platform_error.h"
#include "platform/unique_fd_linux.h"
#include "storage/block_device_linux.h"
#include "storage/linux_volume_rules.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kNtfsCompressed = 0x800;
constexpr std::uint32_t kNtfsEncrypted = 0x4000;

struct Transforms {
    bool compressed = false;
    bool encrypted = false;
};

Transforms readTransforms(const std::string& folder, const struct statx& info, int dirFd) {
    Transforms transforms;
    const auto supported = info.stx_attributes_mask;
    if (supported & (STATX_ATTR_COMPRESSED | STATX_ATTR_ENCRYPTED)) {
        transforms.compressed = (info.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
        transforms.encrypted = (info.stx_attributes & STATX_ATTR_ENCRYPTED) != 0;
    } else {
        int flags = 0;
        if (::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) == 0) {
            transforms.compressed = (flags & FS_COMPR_FL) != 0;
            transforms.encrypted = (flags & FS_ENCRYPT_FL) != 0;
        }
    }
    // ntfs-3g exposes Windows' own attribute bits.
    unsigned char bits[4] = {};
    if (::getxattr(folder.c_str(), "system.ntfs_attrib_be", bits, sizeof bits) == sizeof bits) {
        const std::uint32_t attributes = (std::uint32_t{bits[0]} << 24) |
                                         (std::uint32_t{bits[1]} << 16) |
                                         (std::uint32_t{bits[2]} << 8) | bits[3];
        transforms.compressed |= (attributes & kNtfsCompressed) != 0;
        transforms.encrypted |= (attributes & kNtfsEncrypted) != 0;
    }
    return transforms;
}

// One value of udev's database for a block device ("ID_FS_LABEL", "ID_FS_TYPE").
std::string udevProperty(const BlockDevice& device, const std::string& key) {
    const std::string data = readTextFile("/run/udev/data/b" + std::to_string(device.major) + ":" +
                                          std::to_string(device.minor));
    const std::string prefix = "E:" + key + "=";
    std::size_t start = 0;
    while (start < data.size()) {
        auto end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        if (data.compare(start, prefix.size(), prefix) == 0) {
            return data.substr(start + prefix.size(), end - start - prefix.size());
        }
        start = end + 1;
    }
    return {};
}

// by-label names escape unsafe bytes as \xHH.
std::string decodeUdevName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

std::string readLabel(int dirFd, const std::optional<BlockDevice>& device) {
    char label[FSLABEL_MAX] = {};
    if (::ioctl(dirFd, FS_IOC_GETFSLABEL, label) == 0) {
        return std::string(label, strnlen(label, sizeof label));
    }
    if (!device)
        return {};
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/disk/by-label", error)) {
        std::error_code ignored;
        const fs::path node = fs::canonical(entry.path(), ignored);
        struct stat info {};
        if (ignored || ::stat(node.c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
            continue;
        if (::major(info.st_rdev) == device->major && ::minor(info.st_rdev) == device->minor) {
            return decodeUdevName(entry.path().filename().string());
        }
    }
    return udevProperty(*device, "ID_FS_LABEL");
}

std::string fuseblkType(const std::string& folder, const std::optional<BlockDevice>& device) {
    if (::getxattr(folder.c_str(), "system.ntfs_attrib_be", nullptr, 0) >= 0)
        return "ntfs";
    return device ? udevProperty(*device, "ID_FS_TYPE") : std::string();
}

}  // namespace

VolumeInfo inspectTarget(const std::filesystem::path& folder) {
    const fs::path absolute = requireExistingFolder(folder);
    std::error_code error;
    const fs::path canonical = fs::canonical(absolute, error);
    if (error)
        throw fs::filesystem_error("canonical", absolute, error);
    const std::string path = canonical.string();

    UniqueFd dirFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd)
        throwErrnoError("Read folder attributes", errno);
    struct statx info {};
    if (::statx(dirFd.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_MNT_ID, &info) != 0) {
        throwErrnoError("Read folder attributes", errno);
    }
    const Transforms transforms = readTransforms(path, info, dirFd.get());
    refuseTransformedFolder(transforms.compressed, transforms.encrypted);

    std::optional<std::uint64_t> mountId;
    if (info.stx_mask & STATX_MNT_ID)
        mountId = info.stx_mnt_id;
    const auto mount = mountOfPath(path, mountId);
    if (!mount)
        throwErrnoError("Find volume", ENOENT);

    VolumeFacts facts;
    facts.root = mount->mountPoint;
    const auto device = info.stx_dev_major != 0
                            ? blockDeviceOf(info.stx_dev_major, info.stx_dev_minor)
                            : blockDeviceOfMount(*mount);
    facts.kind = requireMeasurableLinuxVolume(mount->fsType, describeBlockDevice(device));
    facts.readOnly =
        hasMountOption(mount->mountOptions, "ro") || hasMountOption(mount->superOptions, "ro");

    struct statvfs space {};
    if (::fstatvfs(dirFd.get(), &space) != 0)
        throwErrnoError("Read free space", errno);
    facts.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    facts.totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;

    facts.label = readLabel(dirFd.get(), device);
    facts.filesystem = linuxFilesystemName(
        mount->fsType, space.f_blocks, mount->fsType == "fuseblk" ? fuseblkType(path, device) : "");

    const auto sector =
        device ? readSysfsNumber(device->diskDir + "/queue/logical_block_size") : std::nullopt;
    if (!sector)
        throwErrnoError("Read sector size", ENOENT);
    facts.bytesPerSector = *sector;
    // The cluster size is f_frsize on vfat, exfat and ntfs3; the block size on ext4 and XFS.
    facts.sectorsPerCluster =
        *sector == 0 ? 0 : static_cast<std::uint32_t>(space.f_frsize / *sector);
    return volumeInfoFromFacts(facts);
}

}  // namespace orvane
