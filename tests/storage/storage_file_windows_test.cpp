#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/aligned_buffer.h"
#include "storage/sector_rule.h"
#include "storage/windows_file.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(WindowsFile, PhysicalSectorRuleKeepsOrRemovesTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    const auto sizes = [](std::uint32_t atomicity, std::uint32_t performance) {
        return [=](HANDLE) { return std::optional<PhysicalSectorSizes>({atomicity, performance}); };
    };
    for (auto [a, p] : {std::pair{512u, 512u}, {512u, 4096u}, {0u, 0u}}) {
        EXPECT_NO_THROW(openWindowsFile(path, true, sizes(a, p))) << a << "/" << p;
        std::filesystem::remove(path);
    }
    for (auto [a, p] : {std::pair{512u, 8192u}, {3000u, 512u}}) {
        try {
            openWindowsFile(path, true, sizes(a, p));
            ADD_FAILURE() << a << "/" << p << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), kPhysicalSectorMessage);
        }
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // Wine cannot answer FileStorageInfo: a failed query accepts the file.
    EXPECT_NO_THROW(openWindowsFile(path, true));
}

// Each request carries its offset (one call per timed request): blocks written out of order land
// where they were sent, and reads in another order find them there.
TEST(WindowsFile, EachRequestLandsAtItsOwnOffset) {
    testing::TempFolder folder;
    const auto file = openWindowsFile(folder.path() / "offsets.bin", true);
    constexpr std::uint32_t kBlock = 4096;
    AlignedBuffer block(kBlock);  // unbuffered requests need sector-aligned memory
    std::uint8_t* const bytes = block.data();
    for (std::uint64_t index : {3u, 0u, 2u, 1u}) {
        std::fill(bytes, bytes + kBlock, static_cast<std::uint8_t>(0xA0 + index));
        file->writeAt(index * kBlock, bytes, kBlock);
    }
    for (std::uint64_t index : {1u, 3u, 0u, 2u}) {
        file->readAt(index * kBlock, bytes, kBlock);
        EXPECT_EQ(std::count(bytes, bytes + kBlock, 0xA0 + index), kBlock) << index;
    }
    EXPECT_EQ(std::filesystem::file_size(folder.path() / "offsets.bin"), 4u * kBlock);
}

TEST(PlatformError, UnknownCodeGivesIoFailure) {
    SetLastError(0x2000F00Du);
    try {
        throwWindowsError("Read test file");
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Read test file (Windows 536932365): I/O failure");
    }
}

TEST(PlatformError, KnownCodeCarriesTheSystemText) {
    SetLastError(ERROR_FILE_EXISTS);
    try {
        throwWindowsError("Open uncached test file");
        FAIL();
    } catch (const std::runtime_error& error) {
        const std::string message = error.what();
        EXPECT_THAT(message, ::testing::StartsWith("Open uncached test file (Windows 80): "));
        EXPECT_GT(message.size(), std::string("Open uncached test file (Windows 80): ").size());
        EXPECT_EQ(message.find("I/O failure"), std::string::npos);
    }
}

}  // namespace
}  // namespace orvane
