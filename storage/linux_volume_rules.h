#pragma once
// How Linux facts map onto the volume kinds and filesystem names a user knows (pure).

#include <cstdint>
#include <string>

#include "storage/target_rules.h"

namespace orvane {

struct BlockDeviceFacts {
    bool found = false;            // a block device backs the mount
    std::string name;              // kernel name of the whole disk: "sda", "loop0", "zram0"
    bool usbOrMmc = false;         // a usb, mmc or memstick parent in sysfs
    bool loopBackedByRam = false;  // a loop device whose backing file lives in RAM
};

inline constexpr const char* kBufferedDirectIoMessage =
    "This filesystem would cache the test file; choose a folder on a volume that supports direct "
    "I/O.";
inline constexpr const char* kNoBlockDeviceMessage =
    "This folder is on a volume with no block device of its own (such as a container's overlay); "
    "choose a folder on a local disk.";

bool isNetworkFilesystem(const std::string& fsType);
bool isRamFilesystem(const std::string& fsType);
// "fuse", "fuse.*" and "fuseblk": their drivers serve O_DIRECT files from the page cache.
bool isFuseFilesystem(const std::string& fsType);

DriveKind classifyLinuxVolume(const std::string& fsType, const BlockDeviceFacts& device);

// Throws the user's message for a volume the run must not measure; returns its kind otherwise.
DriveKind requireMeasurableLinuxVolume(const std::string& fsType, const BlockDeviceFacts& device);

// "FAT32" (or "FAT" below 65,525 clusters), "exFAT", "NTFS"; other types as the kernel names them.
// fuseblkType is udev's ID_FS_TYPE (or "ntfs" when ntfs-3g answered) for the ambiguous "fuseblk".
std::string linuxFilesystemName(const std::string& fsType, std::uint64_t clusterCount,
                                const std::string& fuseblkType);

}  // namespace orvane
