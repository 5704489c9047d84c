#include <gtest/gtest.h>

#include <stdexcept>

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

}  // namespace
}  // namespace orvane
