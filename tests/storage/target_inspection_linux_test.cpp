#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/vfs.h>

#include <stdexcept>

#include "storage/linux_volume_rules.h"
#include "storage/mount_table.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/fuse_volume_linux.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(MountTable, ParsesFieldsEscapesAndOptionalTags) {
    const auto mounts = parseMountInfo(
        "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,errors=remount-ro\n"
        "35 22 0:31 / /media/my\\040disk ro,nosuid shared:5 master:2 - vfat /dev/sdb1 "
        "rw,fmask=0022\n"
        "36 22 0:32 / /media/my broken line\n"
        "40 22 0:40 / /srv/tmp rw - tmpfs tmpfs rw\n");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].major, 254u);
    EXPECT_EQ(mounts[0].fsType, "ext4");
    EXPECT_EQ(mounts[1].mountPoint, "/media/my disk");
    EXPECT_EQ(mounts[1].fsType, "vfat");
    EXPECT_EQ(mounts[1].source, "/dev/sdb1");
    EXPECT_TRUE(hasMountOption(mounts[1].mountOptions, "ro"));
    EXPECT_FALSE(hasMountOption(mounts[1].superOptions, "ro"));
    EXPECT_FALSE(hasMountOption("rw,errors=remount-ro", "ro"));

    EXPECT_EQ(findMountByPath(mounts, "/media/my disk/models")->mountId, 35u);
    EXPECT_EQ(findMountByPath(mounts, "/media/my diskette")->mountId, 22u);
    EXPECT_EQ(findMountByPath(mounts, "/srv/tmp")->mountId, 40u);
    EXPECT_EQ(findMountById(mounts, 40)->fsType, "tmpfs");
    EXPECT_FALSE(findMountById(mounts, 99).has_value());
    EXPECT_EQ(unescapeMountField("a\\011b\\012c\\134d\\04"), "a\tb\nc\\d\\04");
}

TEST(LinuxVolumeRules, ClassifiesNetworkRamOpticalAndRemovableVolumes) {
    BlockDeviceFacts disk;
    disk.found = true;
    disk.name = "sda";
    EXPECT_EQ(classifyLinuxVolume("ext4", disk), DriveKind::Fixed);
    BlockDeviceFacts usb = disk;
    usb.usbOrMmc = true;
    EXPECT_EQ(classifyLinuxVolume("exfat", usb), DriveKind::Removable);
    for (const char* network : {"nfs4", "cifs", "9p", "virtiofs", "fuse.sshfs"}) {
        EXPECT_EQ(classifyLinuxVolume(network, disk), DriveKind::Remote) << network;
    }
    EXPECT_EQ(classifyLinuxVolume("tmpfs", {}), DriveKind::RamDisk);
    EXPECT_EQ(classifyLinuxVolume("ramfs", {}), DriveKind::RamDisk);
    EXPECT_EQ(classifyLinuxVolume("iso9660", disk), DriveKind::Optical);
    BlockDeviceFacts zram = disk;
    zram.name = "zram0";
    EXPECT_EQ(classifyLinuxVolume("ext4", zram), DriveKind::RamDisk);
    BlockDeviceFacts ramLoop = disk;
    ramLoop.name = "loop3";
    EXPECT_EQ(classifyLinuxVolume("ext4", ramLoop), DriveKind::Fixed);
    ramLoop.loopBackedByRam = true;
    EXPECT_EQ(classifyLinuxVolume("ext4", ramLoop), DriveKind::RamDisk);
    BlockDeviceFacts ramdiskLike = disk;
    ramdiskLike.name = "ramses";  // not "ram" followed by a number
    EXPECT_EQ(classifyLinuxVolume("ext4", ramdiskLike), DriveKind::Fixed);
    EXPECT_EQ(classifyLinuxVolume("overlay", {}), DriveKind::Unknown);
}

TEST(LinuxVolumeRules, NamesFilesystemsAsWindowsUsersKnowThem) {
    EXPECT_EQ(linuxFilesystemName("vfat", 65525, ""), "FAT32");
    EXPECT_EQ(linuxFilesystemName("vfat", 65524, ""), "FAT");
    EXPECT_EQ(linuxFilesystemName("exfat", 10, ""), "exFAT");
    EXPECT_EQ(linuxFilesystemName("ntfs3", 10, ""), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, "ntfs"), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, "exfat"), "exFAT");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, ""), "fuseblk");
    EXPECT_EQ(linuxFilesystemName("ext4", 10, ""), "ext4");
}

std::string measurableRefusal(const char* fsType, const BlockDeviceFacts& device) {
    try {
        requireMeasurableLinuxVolume(fsType, device);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "accepted";
}

TEST(LinuxVolumeRules, FuseIsRefusedAsCachedAndDevicelessVolumesSaySo) {
    BlockDeviceFacts loop;
    loop.found = true;
    loop.name = "loop0";
    const struct {
        const char* fsType;
        bool hasDevice;
        const char* expected;
    } rows[] = {
        {"fuseblk", true, kBufferedDirectIoMessage},       // ntfs-3g, exfat-fuse on a disk
        {"fuse", false, kBufferedDirectIoMessage},         // a FUSE driver over a file
        {"fuse.ntfs-3g", true, kBufferedDirectIoMessage},  // named by its driver
        {"fuse.sshfs", false, kLocalVolumeMessage},        // still a network share first
        {"fusectl", false, kNoBlockDeviceMessage},         // not FUSE, only a lookalike name
        {"overlay", false, kNoBlockDeviceMessage},         // a container's root
        {"tmpfs", false, kLocalVolumeMessage},
        {"ext4", true, "accepted"},
        {"exfat", true, "accepted"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(measurableRefusal(row.fsType, row.hasDevice ? loop : BlockDeviceFacts{}),
                  row.expected)
            << row.fsType;
    }
}

std::string refusalOf(const std::filesystem::path& folder) {
    try {
        inspectTarget(folder);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "accepted";
}

TEST(TargetInspectionLinux, RamBackedFolderIsRefused) {
    // /dev/shm is tmpfs on every systemd machine; else mount one where root may.
    struct statfs shm {};
    if (::statfs("/dev/shm", &shm) == 0 && shm.f_type == TMPFS_MAGIC) {
        testing::TempFolder folder("/dev/shm");
        EXPECT_EQ(refusalOf(folder.path()), kLocalVolumeMessage);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 0);
        return;
    }
    testing::TempFolder mountPoint;
    if (::mount("orvane-test", mountPoint.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no tmpfs at /dev/shm and no permission to mount one";
    }
    EXPECT_EQ(refusalOf(mountPoint.path()), kLocalVolumeMessage);
    ::umount(mountPoint.path().c_str());
}

TEST(TargetInspectionLinux, ProcFilesystemHasNoBlockDevice) {
    EXPECT_EQ(refusalOf("/proc/self"), kNoBlockDeviceMessage);
}

TEST(TargetInspectionLinux, RealFuseVolumeIsRefusedAsCached) {
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    EXPECT_EQ(refusalOf(volume.mountPoint()), kBufferedDirectIoMessage);
}

}  // namespace
}  // namespace orvane
