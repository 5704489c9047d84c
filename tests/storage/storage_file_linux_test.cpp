#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/magic.h>

#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/linux_file.h"
#include "storage/sector_rule.h"
#include "storage/sequential_write_preparation.h"
#include "tests/support/fuse_volume_linux.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

TEST(LinuxFile, PhysicalBlockRuleKeepsOrRemovesOnlyTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    // An unreadable block size (nullopt) is accepted, as on Windows.
    for (std::optional<std::uint32_t> block :
         {std::optional<std::uint32_t>(512u), {4096u}, {0u}, {}, {8192u}, {3000u}}) {
        const bool fits = !block || *block == 0 || 4096 % *block == 0;
        EXPECT_EQ(
            testing::messageOf([&] { openLinuxFile(path, true, [&](int) { return block; }); }),
            fits ? "accepted" : kPhysicalSectorMessage);
        EXPECT_EQ(fs::exists(path), fits);
        fs::remove(path);
    }
    testing::writeWholeFile(path, std::string(4096, 'k'));
    EXPECT_THROW(openLinuxFile(path, false, [](int) { return 8192u; }), std::runtime_error);
    EXPECT_EQ(testing::readWholeFile(path), std::string(4096, 'k'));
}

TEST(LinuxFile, MisalignedRequestsFailOnARealDirectIoFilesystem) {
    testing::TempFolder folder(fs::current_path());
    auto file = openLinuxFile(folder.path() / "workload.bin", true);
    alignas(4096) static std::uint8_t buffer[8192];
    file->writeAt(0, buffer, 8192);
    // O_DIRECT is honoured when the kernel refuses a misaligned offset (ext4, XFS).
    const std::string refusal = testing::messageOf([&] { file->readAt(100, buffer, 4096); });
    if (refusal == "accepted")
        GTEST_SKIP() << "this filesystem accepts misaligned direct I/O (tmpfs, FUSE)";
    EXPECT_THAT(refusal, ::testing::StartsWith("Read test file (errno 22): "));
    EXPECT_EQ(testing::messageOf([] { throwErrnoError("Flush test data", EIO); }),
              "Flush test data (errno 5): Input/output error");
    EXPECT_EQ(testing::messageOf([] { throwErrnoError("Flush test data", 0); }),
              "Flush test data (errno 0): I/O failure");
}

TEST(LinuxFile, NewFileServedFromThePageCacheIsRefusedAndRemoved) {
    // By behaviour, not by name: ntfs-3g accepts O_DIRECT and still caches.
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    EXPECT_EQ(testing::messageOf([&] {
                  openLinuxFile(volume.mountPoint() / "workload.bin", true,
                                [](int) { return 512u; });
              }),
              kBufferedDirectIoMessage);
    EXPECT_TRUE(fs::is_empty(volume.mountPoint()));
}

TEST(SequentialWritePreparation, ExtendsExactlyWhereExtendingDirectWritesWouldBeBuffered) {
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(MSDOS_SUPER_MAGIC));
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(EXFAT_SUPER_MAGIC));
    // ext4, XFS, btrfs, tmpfs, FUSE
    for (const unsigned long magic :
         {0xEF53ul, 0x58465342ul, 0x9123683Eul, 0x01021994ul, 0x65735546ul})
        EXPECT_FALSE(filesystemBuffersExtendingDirectWrites(magic)) << magic;
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

}  // namespace
}  // namespace orvane
