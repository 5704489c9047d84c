#include "storage/linux_volume_rules.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace orvane {

namespace {

bool isOneOf(const std::string& value, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return value == name; });
}

bool startsWithDigitAfter(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::isdigit(static_cast<unsigned char>(name[prefix.size()]));
}

}  // namespace

bool isNetworkFilesystem(const std::string& fsType) {
    return isOneOf(fsType, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "afs", "lustre",
                            "virtiofs", "vboxsf", "fuse.sshfs", "fuse.rclone", "fuse.s3fs",
                            "glusterfs", "fuse.glusterfs"});
}

bool isRamFilesystem(const std::string& fsType) {
    return isOneOf(fsType, {"tmpfs", "ramfs", "hugetlbfs", "devtmpfs"});
}

bool isFuseFilesystem(const std::string& fsType) {
    return fsType == "fuse" || fsType == "fuseblk" || fsType.compare(0, 5, "fuse.") == 0;
}

DriveKind classifyLinuxVolume(const std::string& fsType, const BlockDeviceFacts& device) {
    if (isNetworkFilesystem(fsType))
        return DriveKind::Remote;
    if (isRamFilesystem(fsType))
        return DriveKind::RamDisk;
    if (isOneOf(fsType, {"iso9660", "udf"}))
        return DriveKind::Optical;
    if (!device.found)
        return DriveKind::Unknown;
    if (startsWithDigitAfter(device.name, "zram") || startsWithDigitAfter(device.name, "ram") ||
        device.loopBackedByRam) {
        return DriveKind::RamDisk;
    }
    if (startsWithDigitAfter(device.name, "sr"))
        return DriveKind::Optical;
    return device.usbOrMmc ? DriveKind::Removable : DriveKind::Fixed;
}

DriveKind requireMeasurableLinuxVolume(const std::string& fsType, const BlockDeviceFacts& device) {
    const DriveKind kind = classifyLinuxVolume(fsType, device);
    // Network and RAM kinds keep their own message, FUSE network mounts included.
    if (kind == DriveKind::Remote || kind == DriveKind::RamDisk || kind == DriveKind::Optical)
        refuseUnlessLocalVolume(kind);
    if (isFuseFilesystem(fsType))
        throw std::runtime_error(kBufferedDirectIoMessage);
    if (kind == DriveKind::Unknown && !device.found)
        throw std::runtime_error(kNoBlockDeviceMessage);
    refuseUnlessLocalVolume(kind);
    return kind;
}

std::string linuxFilesystemName(const std::string& fsType, std::uint64_t clusterCount,
                                const std::string& fuseblkType) {
    const std::string& type = fsType == "fuseblk" && !fuseblkType.empty() ? fuseblkType : fsType;
    if (type == "vfat" || type == "fat" || type == "msdos") {
        return clusterCount < 65525 ? "FAT" : "FAT32";
    }
    if (type == "exfat" || type == "fuse.exfat")
        return "exFAT";
    if (type == "ntfs" || type == "ntfs3" || type == "fuse.ntfs-3g")
        return "NTFS";
    return type;
}

}  // namespace orvane
