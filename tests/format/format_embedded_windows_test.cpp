#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_command.h"
#include "platform/windows_api.h"
#include "tests/format/format_fixtures.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

// The program carries the script byte for byte as RCDATA 201 and composes from it.
TEST(FormatEmbeddedScript, ComposesFromTheResourceAndTheProgramPath) {
    std::vector<wchar_t> program(32768, L'\0');
    ASSERT_GT(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())), 0u);
    const NativeString programPath = program.data();
    if (programPath.size() < 3 || programPath[1] != L':' || programPath[2] != L'\\')
        GTEST_SKIP() << "the test program does not run from a drive root";
    FormatTarget target = testing::acceptedTarget(kPartitionStyleGpt);
    target.deviceSerial = L"K\u00E4se-\U0001F600";
    EXPECT_EQ(composeFormatCommand(target, 65536, L"orvane"),
              composeFormatCommandFrom(target, 65536, L"orvane", testing::readFormatScript(),
                                       programPath));
    // Validation comes before the resource is even looked at.
    EXPECT_THROW(composeFormatCommand(target, 16384, L"orvane"), std::runtime_error);
}

// Wine fakes volume GUIDs and fails the disk queries: the review must refuse, never accept.
TEST(FormatEmbeddedScript, ReviewOfAnEmulatedVolumeRefuses) {
    namespace no = format_refusal;
    const std::set<std::string> refusals = {
        no::kStableIdentity, no::kVolumeIdentifier, no::kProtectedVolumes,     no::kWindowsVolume,
        no::kProgramVolume,  no::kVolumeSerial,     no::kStorageBus,           no::kDiskIdentity,
        no::kDeviceSerial,   no::kProtectedDisk,    no::kProtectedDiskUnknown, no::kPartitionMap};
    testing::TempFolder folder;
    try {
        reviewFormatTarget(folder.path());
        FAIL() << "an emulated volume was accepted for formatting";
    } catch (const std::runtime_error& refusal) {  // a refusal, not a failed platform call
        EXPECT_EQ(refusals.count(refusal.what()), 1u) << refusal.what();
    }
    EXPECT_THROW(reviewFormatTarget(folder.path() / "missing"), std::exception);
}

}  // namespace
}  // namespace orvane
