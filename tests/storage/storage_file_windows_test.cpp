#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "platform/platform_error.h"
#include "storage/sector_rule.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "storage/windows_file.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(WindowsFile, PhysicalSectorRuleKeepsOrRemovesTheNewFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    for (auto [a, p] :
         {std::pair{512u, 512u}, {512u, 4096u}, {0u, 0u}, {512u, 8192u}, {3000u, 512u}}) {
        const auto sizes = [a = a, p = p](HANDLE) {
            return std::optional<PhysicalSectorSizes>({a, p});
        };
        const bool fits = a != 3000 && p != 8192;
        EXPECT_EQ(testing::messageOf([&] { openWindowsFile(path, true, sizes); }),
                  fits ? "accepted" : kPhysicalSectorMessage);
        EXPECT_EQ(std::filesystem::exists(path), fits) << a << "/" << p;
        std::filesystem::remove(path);
    }
    // Wine cannot answer FileStorageInfo: a failed query accepts the file.
    EXPECT_NO_THROW(openWindowsFile(path, true));
    // Device and share paths are refused before anything is asked of them.
    for (const wchar_t* device : {L"\\\\?\\C:\\windows", L"//?/C:/windows"})
        EXPECT_EQ(testing::messageOf([&] { inspectTarget(device); }), kLocalPathMessage);
}

TEST(PlatformError, KnownCodesCarryTheSystemTextAndUnknownOnesIoFailure) {
    SetLastError(0x2000F00Du);
    EXPECT_EQ(testing::messageOf([] { throwWindowsError("Read test file"); }),
              "Read test file (Windows 536932365): I/O failure");
    SetLastError(ERROR_FILE_EXISTS);
    const std::string known =
        testing::messageOf([] { throwWindowsError("Open uncached test file"); });
    EXPECT_THAT(known, ::testing::StartsWith("Open uncached test file (Windows 80): "));
    EXPECT_GT(known.size(), std::string("Open uncached test file (Windows 80): ").size());
    EXPECT_EQ(known.find("I/O failure"), std::string::npos);
}

}  // namespace
}  // namespace orvane
