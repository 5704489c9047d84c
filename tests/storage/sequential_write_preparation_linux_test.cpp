#include <gtest/gtest.h>
#include <linux/magic.h>

#include <ios>

#include <filesystem>

#include "storage/linux_file.h"
#include "storage/sequential_write_preparation.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(SequentialWritePreparation, ExtendsOnlyWhereExtendingDirectWritesWouldBeBuffered) {
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(MSDOS_SUPER_MAGIC));
    EXPECT_TRUE(filesystemBuffersExtendingDirectWrites(EXFAT_SUPER_MAGIC));
    for (const unsigned long magic :
         {0xEF53ul, 0x58465342ul, 0x9123683Eul, 0x01021994ul, 0x65735546ul}) {
        // ext4, XFS, btrfs, tmpfs, FUSE
        EXPECT_FALSE(filesystemBuffersExtendingDirectWrites(magic)) << std::hex << magic;
    }
}

TEST(SequentialWritePreparation, ARealFileHereIsExtendedExactlyWhenItsFilesystemNeedsIt) {
    testing::TempFolder folder(std::filesystem::current_path());
    const auto path = folder.path() / "workload.bin";
    auto file = openLinuxFile(path, true);
    const bool needsExtension = file->buffersExtendingDirectWrites();
    prepareSequentialWrite(*file, 16 * 1048576);
    EXPECT_EQ(std::filesystem::file_size(path), needsExtension ? 16u * 1048576 : 0u);
}

TEST(SequentialWritePreparation, PreallocateGivesTheFinalSize) {
    testing::TempFolder folder(std::filesystem::current_path());
    const auto path = folder.path() / "workload.bin";
    auto file = openLinuxFile(path, true);
    file->preallocate(3 * 1048576);
    EXPECT_EQ(std::filesystem::file_size(path), 3u * 1048576);
}

}  // namespace
}  // namespace orvane
