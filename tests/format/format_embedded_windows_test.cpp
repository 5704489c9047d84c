#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_command.h"
#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "platform/windows_api.h"
#include "tests/format/script_source.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

FormatTarget gptTarget() {
    FormatTarget target;
    target.volume.root = L"F:\\";
    target.volume.totalBytes = 64000000000;
    target.volumePath = L"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
    target.volumeSerial = 42;
    target.diskNumber = 3;
    target.busType = 7;
    target.deviceSerial = L"K\u00E4se-\U0001F600";
    target.partitionId = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    target.diskId = L"{FEDCBA98-7654-3210-FEDC-BA9876543210}";
    target.partitionOffset = 16777216;
    target.partitionLength = 63000000000;
    target.diskBytes = 64023257088;
    target.partitionNumber = 2;
    target.partitionStyle = 1;
    return target;
}

// The program carries the script byte for byte as RCDATA 201 and composes from it.
TEST(FormatEmbeddedScript, ComposesFromTheResourceAndTheProgramPath) {
    std::vector<wchar_t> program(32768, L'\0');
    ASSERT_GT(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())), 0u);
    const NativeString programPath = program.data();
    if (programPath.size() < 3 || programPath[1] != L':' || programPath[2] != L'\\') {
        GTEST_SKIP() << "the test program does not run from a drive root";
    }
    const NativeString fromResource = composeFormatCommand(gptTarget(), 65536, L"orvane");
    const NativeString fromSource = composeFormatCommandFrom(
        gptTarget(), 65536, L"orvane", testing::readFormatScript(), programPath);
    EXPECT_EQ(fromResource, fromSource);
    EXPECT_EQ(
        fromResource.rfind(L"-NoProfile -NonInteractive -WindowStyle Hidden -EncodedCommand ", 0),
        0u);

    // Validation comes before the resource is even looked at.
    EXPECT_THROW(composeFormatCommand(gptTarget(), 16384, L"orvane"), std::runtime_error);
}

// Wine fakes volume GUIDs and fails the disk queries: the review must refuse, never accept.
TEST(FormatEmbeddedScript, ReviewOfAnEmulatedVolumeRefuses) {
    const std::set<std::string> refusals = {
        format_refusal::kStableIdentity,   format_refusal::kVolumeIdentifier,
        format_refusal::kProtectedVolumes, format_refusal::kWindowsVolume,
        format_refusal::kProgramVolume,    format_refusal::kVolumeSerial,
        format_refusal::kStorageBus,       format_refusal::kDiskIdentity,
        format_refusal::kDeviceSerial,     format_refusal::kProtectedDiskUnknown,
        format_refusal::kProtectedDisk,    format_refusal::kPartitionMap};
    testing::TempFolder folder;
    try {
        reviewFormatTarget(folder.path());
        FAIL() << "an emulated volume was accepted for formatting";
    } catch (const std::runtime_error& refusal) {
        EXPECT_EQ(refusals.count(refusal.what()), 1u) << refusal.what();
    }
    EXPECT_THROW(reviewFormatTarget(folder.path() / "missing"), std::exception);
}

}  // namespace
}  // namespace orvane
