#pragma once
// Finding the block device behind a mount or an open file through sysfs (no root needed).

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/linux_volume_rules.h"
#include "storage/mount_table.h"

namespace orvane {

struct BlockDevice {
    unsigned major = 0;
    unsigned minor = 0;
    std::string nodeDir;  // sysfs folder of the device itself (partition or disk)
    std::string diskDir;  // sysfs folder of the whole disk, the one with queue/
    std::string name;     // kernel name of the whole disk
};

std::vector<MountEntry> readMountTable();
// Mount holding a canonical path: by mount id when the kernel gives one, else by longest prefix.
std::optional<MountEntry> mountOfPath(const std::string& canonicalPath,
                                      std::optional<std::uint64_t> mountId);

std::optional<BlockDevice> blockDeviceOf(unsigned major, unsigned minor);
// btrfs and FUSE mounts carry an anonymous device number: use the source's device node instead.
std::optional<BlockDevice> blockDeviceOfMount(const MountEntry& mount);
// The block device behind an open file, or nothing when none can be found.
std::optional<BlockDevice> blockDeviceOfFile(int fd);

BlockDeviceFacts describeBlockDevice(const std::optional<BlockDevice>& device);
std::optional<std::uint32_t> readSysfsNumber(const std::string& path);
std::string readTextFile(const std::string& path);

}  // namespace orvane
