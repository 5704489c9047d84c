#include <gtest/gtest.h>

#include "platform/unique_handle_windows.h"
#include "reports/atomic_save.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using Names = std::vector<std::filesystem::path>;

UniqueFileHandle open(const std::filesystem::path& path, DWORD access, DWORD share, DWORD how) {
    return UniqueFileHandle(
        CreateFileW(path.c_str(), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(AtomicSaveWindows, FailuresKeepTheOldFileAndRemoveTheTemporary) {
    testing::TempFolder folder;
    const auto target = folder.path() / L"report.json";
    testing::writeWholeFile(target, "previous archive");
    {
        // Open without FILE_SHARE_DELETE: MoveFileExW cannot replace the file meanwhile.
        const UniqueFileHandle held = open(target, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        ASSERT_TRUE(held);
        testing::expectSaveFailure(target, "new text", kCannotSaveReport);
    }
    ASSERT_TRUE(SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_READONLY));
    // Windows ignores the attribute for creating files; probe whether this system refuses.
    const bool writable =
        static_cast<bool>(open(folder.path() / L"probe", GENERIC_WRITE, 0, CREATE_NEW));
    if (!writable)
        testing::expectSaveFailure(target, "new", kCannotCreateTemporaryReport);
    SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    if (writable)
        std::filesystem::remove(folder.path() / L"probe");
    EXPECT_EQ(testing::readWholeFile(target), "previous archive");
    EXPECT_EQ(testing::folderEntries(folder.path()), Names{L"report.json"});
}

}  // namespace
}  // namespace orvane
