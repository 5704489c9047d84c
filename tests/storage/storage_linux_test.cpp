// Linux's own storage: the direct-I/O file, the mount table, the volume rules, and real folders
// that must be refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <optional>
#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/linux_file.h"
#include "storage/linux_volume_rules.h"
#include "storage/mount_table.h"
#include "storage/sector_rule.h"
#include "storage/sequential_write_preparation.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/fuse_volume_linux.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::messageOf;

TEST(LinuxFile, PhysicalBlockRuleKeepsOrRemovesOnlyTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    // An unreadable block size (nullopt) is accepted, as on Windows.
    for (std::optional<std::uint32_t> block :
         {std::optional<std::uint32_t>(512u), {4096u}, {0u}, {}, {8192u}, {3000u}}) {
        const bool fits = !block || *block == 0 || 4096 % *block == 0;
        EXPECT_EQ(messageOf([&] { openLinuxFile(path, true, [&](int) { return block; }); }),
                  fits ? "accepted" : kPhysicalSectorMessage);
        EXPECT_EQ(fs::exists(path), fits);
        fs::remove(path);
    }
    testing::writeWholeFile(path, std::string(4096, 'k'));
    EXPECT_THROW(openLinuxFile(path, false, [](int) { return 8192u; }), std::runtime_error);
    EXPECT_EQ(testing::readWholeFile(path), std::string(4096, 'k'));
}

TEST(LinuxFile, MisalignedRequestsFailOnARealDirectIoFilesystem) {
    EXPECT_EQ(messageOf([] { throwErrnoError("Flush test data", EIO); }),
              "Flush test data (errno 5): Input/output error");
    EXPECT_EQ(messageOf([] { throwErrnoError("Flush test data", 0); }),
              "Flush test data (errno 0): I/O failure");
    testing::TempFolder folder(fs::current_path());
    auto file = openLinuxFile(folder.path() / "workload.bin", true);
    alignas(4096) static std::uint8_t buffer[8192];
    file->writeAt(0, buffer, 8192);
    // O_DIRECT is honoured when the kernel refuses a misaligned offset (ext4, XFS).
    const std::string refusal = messageOf([&] { file->readAt(100, buffer, 4096); });
    if (refusal == "accepted")
        GTEST_SKIP() << "this filesystem accepts misaligned direct I/O (tmpfs, FUSE)";
    EXPECT_THAT(refusal, ::testing::StartsWith("Read test file (errno 22): "));
}

TEST(SequentialWritePreparation, ExtendsExactlyWhereExtendingDirectWritesWouldBeBuffered) {
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(MSDOS_SUPER_MAGIC));
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(EXFAT_SUPER_MAGIC));
    EXPECT_FALSE(filesystemBuffersExtendingDirectWrites(EXT4_SUPER_MAGIC));
    testing::TempFolder folder(fs::current_path());
    const auto path = folder.path() / "workload.bin";
    auto file = openLinuxFile(path, true);
    // The same probe leaves a real direct-I/O file open, empty and usable.
    EXPECT_EQ(fs::file_size(path), 0u);
    file->preallocate(3 * 1048576);
    EXPECT_EQ(fs::file_size(path), 3u * 1048576);
    prepareSequentialWrite(*file, 16 * 1048576);
    EXPECT_EQ(fs::file_size(path), (file->buffersExtendingDirectWrites() ? 16u : 3u) * 1048576);
}

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

BlockDeviceFacts device(const char* name, bool usb = false, bool ramLoop = false) {
    BlockDeviceFacts facts;
    facts.found = true;
    facts.name = name;
    facts.usbOrMmc = usb;
    facts.loopBackedByRam = ramLoop;
    return facts;
}

TEST(LinuxVolumeRules, ClassifiesNamesAndRefusesVolumes) {
    const struct {
        const char* fsType;
        BlockDeviceFacts device;
        DriveKind kind;
    } kinds[] = {
        {"ext4", device("sda"), DriveKind::Fixed},
        {"exfat", device("sdb", true), DriveKind::Removable},
        {"nfs4", device("sda"), DriveKind::Remote},
        {"fuse.sshfs", device("sda"), DriveKind::Remote},
        {"tmpfs", {}, DriveKind::RamDisk},
        {"iso9660", device("sda"), DriveKind::Optical},
        {"ext4", device("zram0"), DriveKind::RamDisk},
        {"ext4", device("loop3"), DriveKind::Fixed},
        {"ext4", device("loop3", false, true), DriveKind::RamDisk},
        {"ext4", device("ramses"), DriveKind::Fixed},  // not "ram" followed by a number
        {"overlay", {}, DriveKind::Unknown},
    };
    for (const auto& row : kinds)
        EXPECT_EQ(classifyLinuxVolume(row.fsType, row.device), row.kind) << row.fsType;

    EXPECT_EQ(linuxFilesystemName("vfat", 65525, ""), "FAT32");
    EXPECT_EQ(linuxFilesystemName("vfat", 65524, ""), "FAT");
    EXPECT_EQ(linuxFilesystemName("ntfs3", 10, ""), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, "ntfs"), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, ""), "fuseblk");

    // FUSE is refused as cached; deviceless volumes say so.
    const struct {
        const char* fsType;
        bool hasDevice;
        const char* expected;
    } refusals[] = {
        {"fuseblk", true, kBufferedDirectIoMessage},       // ntfs-3g, exfat-fuse on a disk
        {"fuse", false, kBufferedDirectIoMessage},         // a FUSE driver over a file
        {"fuse.ntfs-3g", true, kBufferedDirectIoMessage},  // named by its driver
        {"fuse.sshfs", false, kLocalVolumeMessage},        // still a network share first
        {"fusectl", false, kNoBlockDeviceMessage},         // not FUSE, only a lookalike name
        {"tmpfs", false, kLocalVolumeMessage},
        {"ext4", true, "accepted"},
    };
    for (const auto& row : refusals) {
        const BlockDeviceFacts facts = row.hasDevice ? device("loop0") : BlockDeviceFacts{};
        EXPECT_EQ(messageOf([&] { requireMeasurableLinuxVolume(row.fsType, facts); }), row.expected)
            << row.fsType;
    }
}

// By behaviour, not by name: ntfs-3g accepts O_DIRECT and still caches.
TEST(TargetInspectionLinux, RamProcAndFuseFoldersAndCachedFilesAreRefused) {
    EXPECT_EQ(messageOf([] { inspectTarget("/proc/self"); }), kNoBlockDeviceMessage);
    // /dev/shm is tmpfs on every systemd machine.
    struct statfs shm {};
    if (::statfs("/dev/shm", &shm) == 0 && shm.f_type == TMPFS_MAGIC) {
        testing::TempFolder folder("/dev/shm");
        EXPECT_EQ(messageOf([&] { inspectTarget(folder.path()); }), kLocalVolumeMessage);
    }
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    EXPECT_EQ(messageOf([&] { inspectTarget(volume.mountPoint()); }), kBufferedDirectIoMessage);
    EXPECT_EQ(messageOf([&] {
                  openLinuxFile(volume.mountPoint() / "workload.bin", true,
                                [](int) { return 512u; });
              }),
              kBufferedDirectIoMessage);
    EXPECT_TRUE(fs::is_empty(volume.mountPoint()));
}

}  // namespace
}  // namespace orvane
