#include "storage/block_device_linux.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvane {

namespace fs = std::filesystem;

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::uint32_t> readSysfsNumber(const std::string& path) {
    std::ifstream in(path);
    unsigned long value = 0;
    if (!(in >> value) || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::vector<MountEntry> readMountTable() {
    return parseMountInfo(readTextFile("/proc/self/mountinfo"));
}

std::optional<MountEntry> mountOfPath(const std::string& canonicalPath,
                                      std::optional<std::uint64_t> mountId) {
    const auto mounts = readMountTable();
    if (mountId) {
        if (auto mount = findMountById(mounts, *mountId))
            return mount;
    }
    return findMountByPath(mounts, canonicalPath);
}

std::optional<BlockDevice> blockDeviceOf(unsigned major, unsigned minor) {
    if (major == 0)
        return std::nullopt;
    const std::string link =
        "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    std::error_code error;
    const fs::path node = fs::canonical(link, error);
    if (error)
        return std::nullopt;
    BlockDevice device;
    device.major = major;
    device.minor = minor;
    device.nodeDir = node.string();
    // A partition has no queue/ of its own: its parent folder is the disk.
    device.diskDir =
        fs::exists(node / "partition", error) ? node.parent_path().string() : node.string();
    device.name = fs::path(device.diskDir).filename().string();
    return device;
}

std::optional<BlockDevice> blockDeviceOfMount(const MountEntry& mount) {
    if (mount.major != 0)
        return blockDeviceOf(mount.major, mount.minor);
    struct stat info {};
    if (mount.source.empty() || mount.source[0] != '/' ||
        ::stat(mount.source.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) {
        return std::nullopt;
    }
    return blockDeviceOf(::major(info.st_rdev), ::minor(info.st_rdev));
}

std::optional<BlockDevice> blockDeviceOfFile(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_MNT_ID, &info) != 0) {
        return std::nullopt;
    }
    if (info.stx_dev_major != 0)
        return blockDeviceOf(info.stx_dev_major, info.stx_dev_minor);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::error_code error;
    const fs::path target = fs::read_symlink(self, error);
    if (error)
        return std::nullopt;
    std::optional<std::uint64_t> mountId;
    if (info.stx_mask & STATX_MNT_ID)
        mountId = info.stx_mnt_id;
    const auto mount = mountOfPath(target.string(), mountId);
    return mount ? blockDeviceOfMount(*mount) : std::nullopt;
}

BlockDeviceFacts describeBlockDevice(const std::optional<BlockDevice>& device) {
    BlockDeviceFacts facts;
    if (!device)
        return facts;
    facts.found = true;
    facts.name = device->name;

    // removable=1 means removable media and is 0 for many USB sticks: look for the bus instead.
    std::error_code error;
    for (fs::path dir = device->diskDir; !dir.empty() && dir != dir.root_path();
         dir = dir.parent_path()) {
        const fs::path subsystem = fs::read_symlink(dir / "subsystem", error);
        if (error)
            continue;
        const std::string bus = subsystem.filename().string();
        if (bus == "usb" || bus == "mmc" || bus == "memstick") {
            facts.usbOrMmc = true;
            break;
        }
    }

    std::string backing = readTextFile(device->diskDir + "/loop/backing_file");
    while (!backing.empty() && backing.back() == '\n')
        backing.pop_back();
    if (!backing.empty()) {
        const auto mount = findMountByPath(readMountTable(), backing);
        facts.loopBackedByRam = mount && isRamFilesystem(mount->fsType);
    }
    return facts;
}

}  // namespace orvane
