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

bool isNetworkFilesystem(const std::string& fsType);
bool isRamFilesystem(const std::string& fsType);

DriveKind classifyLinuxVolume(const std::string& fsType, const BlockDeviceFacts& device);

// "FAT32" (or "FAT" below 65,525 clusters), "exFAT", "NTFS"; other types as the kernel names them.
// fuseblkType is udev's ID_FS_TYPE (or "ntfs" when ntfs-3g answered) for the ambiguous "fuseblk".
std::string linuxFilesystemName(const std::string& fsType, std::uint64_t clusterCount,
                                const std::string& fuseblkType);

}  // namespace orvane
