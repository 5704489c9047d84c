// The platform's own storage calls, on a real folder (natively on Linux, under Wine on Windows).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "platform/random_bytes.h"
#include "storage/aligned_buffer.h"
#include "storage/disk_file.h"
#include "storage/small_file.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(StorageFile, WritesAndReadsAlignedBlocks) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    AlignedBuffer out(1048576), in(1048576);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(out.data()) % 4096, 0u);
    fillRandom(out.data(), out.size());
    {
        auto file = openPlatformFile(path, true);
        file->writeAt(0, out.data(), 1048576);
        file->writeAt(1048576, out.data(), 4096);
        file->flush();
    }
    auto file = openPlatformFile(path, false);
    file->readAt(0, in.data(), 1048576);
    EXPECT_EQ(std::memcmp(in.data(), out.data(), 1048576), 0);
    file->readAt(1048576, in.data(), 4096);
    EXPECT_EQ(std::memcmp(in.data(), out.data(), 4096), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 1048576u + 4096u);
}

TEST(StorageFile, CreatingOverAnExistingFileFailsAndLeavesItUntouched) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    const std::string original(10000, 'u');
    testing::writeWholeFile(path, original);
    EXPECT_THAT(messageOf([&] { openPlatformFile(path, true); }),
                StartsWith("Open uncached test file ("));
    EXPECT_EQ(testing::readWholeFile(path), original);
}

TEST(StorageFile, OpeningAMissingFileFailsWithTheOpenText) {
    testing::TempFolder folder;
    EXPECT_THAT(messageOf([&] { openPlatformFile(folder.path() / "absent.bin", false); }),
                StartsWith("Open uncached test file ("));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "absent.bin"));
}

TEST(StorageFile, ReadingPastTheEndIsAShortRead) {
    testing::TempFolder folder;
    AlignedBuffer buffer(8192);
    auto file = openPlatformFile(folder.path() / "workload.bin", true);
    file->writeAt(0, buffer.data(), 4096);
    EXPECT_EQ(messageOf([&] { file->readAt(0, buffer.data(), 8192); }),
              "Short read: drive returned incomplete test data.");
    EXPECT_EQ(messageOf([&] { file->readAt(4096, buffer.data(), 4096); }),
              "Short read: drive returned incomplete test data.");
}

TEST(SmallFile, WritesTheWholeFileAndCallsBackFirst) {
    testing::TempFolder folder;
    const auto path = folder.path() / "small.bin";
    const std::string payload(16384, 's');
    bool calledBeforeData = false;
    writeSmallFile(path, payload.data(), payload.size(), [&] {
        calledBeforeData = std::filesystem::exists(path) && std::filesystem::file_size(path) == 0;
    });
    EXPECT_TRUE(calledBeforeData);
    EXPECT_EQ(testing::readWholeFile(path), payload);
    writeSmallFile(folder.path() / "no-callback.bin", payload.data(), payload.size(), {});
    EXPECT_EQ(testing::readWholeFile(folder.path() / "no-callback.bin"), payload);
}

TEST(SmallFile, AThrowingCallbackLeavesNoFileAndRethrowsTheSameException) {
    testing::TempFolder folder;
    const auto path = folder.path() / "small.bin";
    struct Marker : std::runtime_error {
        Marker() : std::runtime_error("marker") {}
    };
    const std::string payload(16384, 's');
    EXPECT_THROW(writeSmallFile(path, payload.data(), payload.size(), [] { throw Marker(); }),
                 Marker);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SmallFile, AnExistingNameIsNeverOverwritten) {
    testing::TempFolder folder;
    const auto path = folder.path() / "small.bin";
    testing::writeWholeFile(path, "mine");
    const std::string payload(16384, 's');
    bool called = false;
    EXPECT_THAT(messageOf([&] {
                    writeSmallFile(path, payload.data(), payload.size(), [&] { called = true; });
                }),
                StartsWith("Create small file ("));
    EXPECT_FALSE(called);
    EXPECT_EQ(testing::readWholeFile(path), "mine");
}

TEST(RandomBytes, FillsWithDifferentDataEachTime) {
    std::string a(4096, '\0'), b(4096, '\0');
    fillRandom(a.data(), a.size());
    fillRandom(b.data(), b.size());
    EXPECT_NE(a, b);
    EXPECT_NE(a, std::string(4096, '\0'));
}

TEST(AlignedBuffer, MovesOwnershipAndEmptyBufferHoldsNothing) {
    AlignedBuffer empty;
    EXPECT_EQ(empty.data(), nullptr);
    AlignedBuffer source(4096);
    std::uint8_t* block = source.data();
    block[4095] = 7;
    AlignedBuffer moved(std::move(source));
    EXPECT_EQ(moved.data(), block);
    EXPECT_EQ(moved.size(), 4096u);
    EXPECT_EQ(source.data(), nullptr);
    EXPECT_EQ(moved.data()[4095], 7);
}

}  // namespace
}  // namespace orvane
