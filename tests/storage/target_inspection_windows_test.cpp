#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_encoding.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"

namespace orvane {
namespace {

TEST(TargetInspectionWindows, DeviceAndSharePathsAreRefusedFirst) {
    for (const wchar_t* path : {L"\\\\?\\C:\\windows", L"//?/C:/windows"}) {
        try {
            inspectTarget(path);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), kLocalPathMessage);
        }
    }
}

TEST(TargetInspectionWindows, WineDriveCIsAFixedNtfsVolume) {
    const VolumeInfo info = inspectTarget(L"C:\\windows");
    EXPECT_EQ(toUtf8(info.root), "C:\\");
    EXPECT_EQ(toUtf8(info.type), "Fixed (may be USB/external)");
    EXPECT_EQ(toUtf8(info.filesystem), "NTFS");
    EXPECT_GT(info.totalBytes, 0u);
}

}  // namespace
}  // namespace orvane
