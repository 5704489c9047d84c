// Storage: the platform's own calls on a real folder (natively on Linux, under Wine on Windows),
// target inspection's portable rules over made-up volume facts, then each platform's own file,
// error and volume rules, and real folders Linux must refuse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/platform_error.h"
#include "platform/random_bytes.h"
#include "platform/text_encoding.h"
#include "storage/aligned_buffer.h"
#include "storage/disk_file.h"
#include "storage/sector_rule.h"
#include "storage/small_file.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"
#ifdef _WIN32
#include "storage/windows_file.h"
#else
#include <linux/magic.h>
#include <sys/vfs.h>

#include "storage/linux_file.h"
#include "storage/linux_volume_rules.h"
#include "storage/mount_table.h"
#include "storage/sequential_write_preparation.h"
#include "tests/support/fuse_volume_linux.h"
#endif

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::messageOf;
using ::testing::StartsWith;
constexpr std::uint32_t kM = 1048576;

// Each request carries its own offset: blocks written out of order land where they were sent.
TEST(StorageFile, RequestsLandAtTheirOffsetsAndEveryRefusalLeavesFilesAlone) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    AlignedBuffer out(2 * kM), in(2 * kM);  // unbuffered requests need aligned memory
    fillRandom(out.data(), out.size());
    {
        auto file = openPlatformFile(path, true);
        file->writeAt(kM, out.data() + kM, 4096);
        file->writeAt(0, out.data(), kM);
        file->flush();
    }
    auto file = openPlatformFile(path, false);
    file->readAt(0, in.data(), kM + 4096);
    EXPECT_EQ(std::memcmp(in.data(), out.data(), kM + 4096), 0);
    EXPECT_EQ(messageOf([&] { file->readAt(kM, in.data(), 8192); }), kShortReadMessage);
    file.reset();
    // Creating never replaces a file, opening never creates one.
    EXPECT_THAT(messageOf([&] { openPlatformFile(path, true); }),
                StartsWith("Open uncached test file ("));
    EXPECT_EQ(fs::file_size(path), kM + 4096u);
    EXPECT_THAT(messageOf([&] { openPlatformFile(folder.path() / "absent.bin", false); }),
                StartsWith("Open uncached test file ("));
}

TEST(SmallFile, CallsBackBeforeTheDataAndNeverOverwritesOrLeavesAHalfFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "small.bin";
    const std::string payload(16384, 's');
    std::uintmax_t sizeAtCallback = 1;
    writeSmallFile(path, payload.data(), payload.size(),
                   [&] { sizeAtCallback = fs::file_size(path); });
    EXPECT_EQ(sizeAtCallback, 0u);
    EXPECT_THAT(messageOf([&] { writeSmallFile(path, "x", 1, {}); }),
                StartsWith("Create small file ("));
    EXPECT_EQ(testing::readWholeFile(path), payload);
    // A throwing callback removes the new file and rethrows the same exception.
    const auto thrown = folder.path() / "thrown.bin";
    EXPECT_THROW(writeSmallFile(thrown, "x", 1, [] { throw std::range_error("marker"); }),
                 std::range_error);
    EXPECT_FALSE(fs::exists(thrown));
}

TEST(TargetInspection, MissingFoldersAndFilesAreRefusedAndARealOneHasItsFacts) {
    testing::TempFolder folder;
    testing::writeWholeFile(folder.path() / "file.txt", "x");
    for (const char* name : {"missing", "file.txt", "file.txt/below"}) {
        EXPECT_EQ(messageOf([&] { inspectTarget(folder.path() / name); }),
                  kChooseExistingFolderMessage)
            << name;
    }
    VolumeInfo info;
    if (const auto why = messageOf([&] { info = inspectTarget(folder.path()); }); why != "accepted")
        GTEST_SKIP() << "the temporary folder is not benchmarkable here: " << why;
    EXPECT_LE(info.freeBytesBefore, info.totalBytes);
    EXPECT_EQ(info.allocationUnitBytes % info.logicalSectorBytes, 0u);
}

TEST(TargetRules, AcceptedFactsFillTheRecordAndEachRefusalHasItsMessage) {
    const auto facts = [](DriveKind kind, std::uint32_t sector, std::uint32_t perCluster) {
        const NativeString e = fromUtf8("E:\\"), models = fromUtf8("MODELS");
        return VolumeFacts{e,    models, fromUtf8("exFAT"), kind, false, 1000,
                           2000, sector, perCluster};
    };
    const VolumeInfo info = volumeInfoFromFacts(facts(DriveKind::Removable, 512, 256));
    EXPECT_EQ(toUtf8(info.root + info.label + info.filesystem + info.type),
              "E:\\MODELSexFATRemovable");
    EXPECT_EQ(info.freeBytesBefore + info.totalBytes, 3000u);
    EXPECT_EQ(info.logicalSectorBytes, 512u);
    EXPECT_EQ(info.allocationUnitBytes, 131072u);
    // 4 GiB clusters: the product must not wrap in 32 bits.
    const VolumeInfo fixed = volumeInfoFromFacts(facts(DriveKind::Fixed, 4096, 0x100000));
    EXPECT_EQ(toUtf8(fixed.type), "Fixed (may be USB/external)");
    EXPECT_EQ(fixed.allocationUnitBytes, 4294967296ull);

    // The kind is checked before the sector; only whole divisors of 4096 are sectors.
    EXPECT_EQ(messageOf([&] { volumeInfoFromFacts(facts(DriveKind::Remote, 0, 1)); }),
              kLocalVolumeMessage);
    VolumeFacts readOnly = facts(DriveKind::Fixed, 0, 1);
    readOnly.readOnly = true;
    EXPECT_EQ(messageOf([&] { volumeInfoFromFacts(readOnly); }), kReadOnlyVolumeMessage);
    for (std::uint32_t sector : {0u, 3000u, 8192u}) {
        EXPECT_EQ(messageOf([&] { volumeInfoFromFacts(facts(DriveKind::Fixed, sector, 1)); }),
                  kSectorSizeMessage)
            << sector;
    }
    EXPECT_THROW(refuseTransformedFolder(true, false), std::runtime_error);
    EXPECT_THROW(refuseTransformedFolder(false, true), std::runtime_error);
    for (const char* path : {"\\\\server\\share", "//s/x", "\\/s"})
        EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8(path))) << path;
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("C:\\models")));
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("\\")));
}

#ifdef _WIN32
TEST(WindowsFile, PhysicalSectorRuleKeepsOrRemovesTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    for (auto [a, p] :
         {std::pair{512u, 512u}, {512u, 4096u}, {0u, 0u}, {512u, 8192u}, {3000u, 512u}}) {
        const auto sizes = [a = a, p = p](HANDLE) {
            return std::optional<PhysicalSectorSizes>({a, p});
        };
        const bool fits = a != 3000 && p != 8192;
        EXPECT_EQ(messageOf([&] { openWindowsFile(path, true, sizes); }),
                  fits ? "accepted" : kPhysicalSectorMessage);
        EXPECT_EQ(std::filesystem::exists(path), fits) << a << "/" << p;
        std::filesystem::remove(path);
    }
    // Wine cannot answer FileStorageInfo: a failed query accepts the file.
    EXPECT_NO_THROW(openWindowsFile(path, true));
    // Device and share paths are refused before anything is asked of them.
    for (const wchar_t* device : {L"\\\\?\\C:\\windows", L"//?/C:/windows"})
        EXPECT_EQ(messageOf([&] { inspectTarget(device); }), kLocalPathMessage);
}

TEST(PlatformError, KnownCodesCarryTheSystemTextAndUnknownOnesIoFailure) {
    SetLastError(0x2000F00Du);
    EXPECT_EQ(messageOf([] { throwWindowsError("Read"); }),
              "Read (Windows 536932365): I/O failure");
    // A known code: the system's own text, whatever the language.
    SetLastError(ERROR_FILE_EXISTS);
    const std::string known = messageOf([] { throwWindowsError("Open"); });
    EXPECT_THAT(known, ::testing::StartsWith("Open (Windows 80): "));
    EXPECT_THAT(known.substr(19), ::testing::Not(::testing::AnyOf("", "I/O failure")));
}

#else

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
    EXPECT_EQ(messageOf([] { throwErrnoError("Flush test data", EIO); }),
              "Flush test data (errno 5): Input/output error");
    EXPECT_EQ(messageOf([] { throwErrnoError("Flush test data", 0); }),
              "Flush test data (errno 0): I/O failure");
}

TEST(SequentialWritePreparation, ExtendsExactlyWhereExtendingDirectWritesWouldBeBuffered) {
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(MSDOS_SUPER_MAGIC));
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(EXFAT_SUPER_MAGIC));
    testing::TempFolder folder(fs::current_path());
    const auto path = folder.path() / "workload.bin";
    auto file = openLinuxFile(path, true);
    // The same probe leaves a real direct-I/O file open, empty and usable.
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
    EXPECT_FALSE(hasMountOption("rw,errors=remount-ro", "ro"));
    EXPECT_EQ(findMountByPath(mounts, "/media/my disk/models")->mountId, 35u);
    EXPECT_EQ(findMountByPath(mounts, "/media/my diskette")->mountId, 22u);
    EXPECT_EQ(findMountById(mounts, 40)->fsType, "tmpfs");
    EXPECT_FALSE(findMountById(mounts, 99).has_value());
    EXPECT_EQ(unescapeMountField("a\\011b\\012c\\134d\\04"), "a\tb\nc\\d\\04");
}

// Device facts are {found, name, USB or MMC, a loop device backed by RAM}.
TEST(LinuxVolumeRules, ClassifiesNamesAndRefusesVolumes) {
    const std::tuple<const char*, BlockDeviceFacts, DriveKind> kinds[] = {
        {"ext4", {true, "sda", false, false}, DriveKind::Fixed},
        {"exfat", {true, "sdb", true, false}, DriveKind::Removable},
        {"nfs4", {true, "sda", false, false}, DriveKind::Remote},
        {"tmpfs", {}, DriveKind::RamDisk},
        {"iso9660", {true, "sda", false, false}, DriveKind::Optical},
        {"ext4", {true, "zram0", false, false}, DriveKind::RamDisk},
        {"ext4", {true, "loop3", false, true}, DriveKind::RamDisk},
        // "ramses" is not "ram" followed by a number.
        {"ext4", {true, "ramses", false, false}, DriveKind::Fixed},
        {"overlay", {}, DriveKind::Unknown},
    };
    for (const auto& [fsType, device, kind] : kinds)
        EXPECT_EQ(classifyLinuxVolume(fsType, device), kind) << fsType << " " << device.name;

    EXPECT_EQ(linuxFilesystemName("vfat", 65525, ""), "FAT32");
    EXPECT_EQ(linuxFilesystemName("vfat", 65524, ""), "FAT");
    EXPECT_EQ(linuxFilesystemName("ntfs3", 10, ""), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, "ntfs"), "NTFS");
    EXPECT_EQ(linuxFilesystemName("fuseblk", 10, ""), "fuseblk");

    // FUSE is refused as cached; deviceless volumes say so.
    const std::tuple<const char*, bool, const char*> refusals[] = {
        {"fuseblk", true, kBufferedDirectIoMessage},       // ntfs-3g, exfat-fuse on a disk
        {"fuse", false, kBufferedDirectIoMessage},         // a FUSE driver over a file
        {"fuse.ntfs-3g", true, kBufferedDirectIoMessage},  // named by its driver
        {"fuse.sshfs", false, kLocalVolumeMessage},        // still a network share first
        {"fusectl", false, kNoBlockDeviceMessage},         // not FUSE, only a lookalike name
        {"tmpfs", false, kLocalVolumeMessage},
        {"ext4", true, "accepted"},
    };
    for (const auto& [fsType, hasDevice, expected] : refusals) {
        const BlockDeviceFacts facts{hasDevice, "loop0", false, false};
        EXPECT_EQ(messageOf([&] { requireMeasurableLinuxVolume(fsType, facts); }), expected)
            << fsType;
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
#endif

}  // namespace
}  // namespace orvane
