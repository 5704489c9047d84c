#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/linux_file.h"
#include "storage/sector_rule.h"
#include "tests/support/fuse_volume_linux.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(LinuxFile, PhysicalBlockRuleKeepsOrRemovesTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    for (std::uint32_t accepted : {512u, 4096u, 0u}) {
        EXPECT_NO_THROW(openLinuxFile(path, true, [&](int) { return accepted; })) << accepted;
        std::filesystem::remove(path);
    }
    for (std::uint32_t refused : {8192u, 3000u}) {
        try {
            openLinuxFile(path, true, [&](int) { return refused; });
            ADD_FAILURE() << refused << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), kPhysicalSectorMessage);
        }
        EXPECT_FALSE(std::filesystem::exists(path)) << refused;
    }
    // An unreadable block size is accepted, as on Windows.
    EXPECT_NO_THROW(openLinuxFile(path, true, [](int) { return std::nullopt; }));
}

TEST(LinuxFile, RefusalOfAnExistingFileNeverDeletesIt) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    testing::writeWholeFile(path, std::string(4096, 'k'));
    EXPECT_THROW(openLinuxFile(path, false, [](int) { return 8192u; }), std::runtime_error);
    EXPECT_EQ(testing::readWholeFile(path), std::string(4096, 'k'));
}

TEST(LinuxFile, MisalignedRequestsFailOnARealDirectIoFilesystem) {
    testing::TempFolder folder;
    auto file = openLinuxFile(folder.path() / "workload.bin", true);
    alignas(4096) static std::uint8_t buffer[8192];
    file->writeAt(0, buffer, 8192);
    // O_DIRECT is honoured when the kernel refuses a misaligned offset (ext4, XFS).
    try {
        file->readAt(100, buffer, 4096);
        GTEST_SKIP() << "this filesystem accepts misaligned direct I/O (tmpfs, FUSE)";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("Read test file (errno 22): "));
    }
}

TEST(LinuxFile, NewFileServedFromThePageCacheIsRefusedAndRemoved) {
    // By behaviour, not by name: ntfs-3g accepts O_DIRECT and still caches.
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    const auto path = volume.mountPoint() / "workload.bin";
    try {
        openLinuxFile(path, true, [](int) { return 512u; });
        ADD_FAILURE() << "a cached file was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), kBufferedDirectIoMessage);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(volume.mountPoint()), {}), 0);

    // The same probe leaves a real direct-I/O file open, empty and usable.
    testing::TempFolder folder;
    auto file = openLinuxFile(folder.path() / "workload.bin", true);
    EXPECT_EQ(std::filesystem::file_size(folder.path() / "workload.bin"), 0u);
}

TEST(PlatformError, ErrnoTextHasTheOperationCodeAndSystemText) {
    try {
        throwErrnoError("Flush test data", EIO);
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Flush test data (errno 5): Input/output error");
    }
    try {
        throwErrnoError("Flush test data", 0);
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Flush test data (errno 0): I/O failure");
    }
}

}  // namespace
}  // namespace orvane
