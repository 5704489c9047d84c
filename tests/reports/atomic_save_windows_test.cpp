#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/unique_handle_windows.h"
#include "reports/atomic_save.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;

TEST(AtomicSaveWindows, FailedReplaceKeepsTheOldFileAndRemovesTheTemporary) {
    testing::TempFolder folder;
    const auto target = folder.path() / L"report.json";
    testing::writeWholeFile(target, "previous archive");
    {
        // Open without FILE_SHARE_DELETE: MoveFileExW cannot replace the file meanwhile.
        const UniqueFileHandle held(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
        ASSERT_TRUE(held);
        testing::expectSaveFailure(target, "new text", kCannotSaveReport);
    }
    EXPECT_EQ(testing::readWholeFile(target), "previous archive");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre(L"report.json"));
}

TEST(AtomicSaveWindows, FolderWithoutWritePermissionKeepsNothing) {
    testing::TempFolder folder;
    const auto target = folder.path() / L"report.json";
    testing::writeWholeFile(target, "old");
    ASSERT_TRUE(SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_READONLY));
    // Windows ignores the attribute for creating files; probe whether this system refuses.
    const auto probe = folder.path() / L"probe";
    const UniqueFileHandle probeFile(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool writable = static_cast<bool>(probeFile);
    if (!writable)
        testing::expectSaveFailure(target, "new", kCannotCreateTemporaryReport);
    SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    if (writable) {
        GTEST_SKIP() << "this system lets the process write in a read-only folder (Wine as root)";
    }
    EXPECT_EQ(testing::readWholeFile(target), "old");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre(L"report.json"));
}

}  // namespace
}  // namespace orvane
