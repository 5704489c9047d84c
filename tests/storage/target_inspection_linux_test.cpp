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
#include "tests/support/message_of.h"
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
    EXPECT_EQ(mounts[0].major, 254u);
    EXPECT_EQ(mounts[1].mountPoint + "|" + mounts[1].fsType + "|" + mounts[1].source,
              "/media/my disk|vfat|/dev/sdb1");
    EXPECT_TRUE(hasMountOption(mounts[1].mountOptions, "ro"));
    EXPECT_FALSE(hasMountOption(mounts[1].superOptions, "ro"));
    EXPECT_FALSE(hasMountOption("rw,errors=remount-ro", "ro"));
    EXPECT_EQ(findMountByPath(mounts, "/media/my disk/models")->mountId, 35u);
    EXPECT_EQ(findMountByPath(mounts, "/media/my diskette")->mountId, 22u);
    EXPECT_EQ(findMountById(mounts, 40)->fsType, "tmpfs");
    EXPECT_FALSE(findMountById(mounts, 99).has_value());
    EXPECT_EQ(unescapeMountField("a\\011b\\012c\\134d\\04"), "a\tb\nc\\d\\04");
}

TEST(LinuxVolumeRules, ClassifiesAndNamesVolumes) {
    BlockDeviceFacts disk;
    disk.found = true;
    disk.name = "sda";
    const auto device = [&](const char* name, bool usb = false, bool ramLoop = false) {
        BlockDeviceFacts facts = disk;
        facts.name = name;
        facts.usbOrMmc = usb;
        facts.loopBackedByRam = ramLoop;
        return facts;
    };
    const struct {
        const char* fsType;
        BlockDeviceFacts device;
        DriveKind kind;
    } rows[] = {
        {"ext4", disk, DriveKind::Fixed},
        {"exfat", device("sdb", true), DriveKind::Removable},
        {"nfs4", disk, DriveKind::Remote},
        {"fuse.sshfs", disk, DriveKind::Remote},
        {"tmpfs", {}, DriveKind::RamDisk},
        {"iso9660", disk, DriveKind::Optical},
        {"ext4", device("zram0"), DriveKind::RamDisk},
        {"ext4", device("loop3"), DriveKind::Fixed},
        {"ext4", device("loop3", false, true), DriveKind::RamDisk},
        {"ext4", device("ramses"), DriveKind::Fixed},  // not "ram" followed by a number
        {"overlay", {}, DriveKind::Unknown},
    };
    for (const auto& row : rows)
        EXPECT_EQ(classifyLinuxVolume(row.fsType, row.device), row.kind) << row.fsType;

    EXPECT_EQ(linuxFilesystemName("vfat", 65525, ""), "FAT32");
    EXPECT_EQ(linuxFilesystemName("vfat", 65524, ""), "FAT");
    EXPECT_EQ(linuxFilesystemName("ntfs3", 10, ""), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, "ntfs"), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, ""), "fuseblk");
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
        {"tmpfs", false, kLocalVolumeMessage},
        {"ext4", true, "accepted"},
    };
    for (const auto& row : rows) {
        const BlockDeviceFacts device = row.hasDevice ? loop : BlockDeviceFacts{};
        EXPECT_EQ(testing::messageOf([&] { requireMeasurableLinuxVolume(row.fsType, device); }),
                  row.expected)
            << row.fsType;
    }
}

TEST(TargetInspectionLinux, RamProcAndFuseFoldersAreRefused) {
    EXPECT_EQ(testing::messageOf([] { inspectTarget("/proc/self"); }), kNoBlockDeviceMessage);
    // /dev/shm is tmpfs on every systemd machine.
    struct statfs shm {};
    if (::statfs("/dev/shm", &shm) == 0 && shm.f_type == TMPFS_MAGIC) {
        testing::TempFolder folder("/dev/shm");
        EXPECT_EQ(testing::messageOf([&] { inspectTarget(folder.path()); }), kLocalVolumeMessage);
    }
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    EXPECT_EQ(testing::messageOf([&] { inspectTarget(volume.mountPoint()); }),
              kBufferedDirectIoMessage);
}

}  // namespace
}  // namespace orvane
