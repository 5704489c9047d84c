#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/base64.h"
#include "format/format_command.h"
#include "format/format_verification.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"

namespace orvane {
namespace {

const NativeString kProgram = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");

// Windows PowerShell reads a file without a byte order mark as ANSI: the script stays ASCII.
// Block comments would be half-stripped by compaction.
TEST(FormatCommand, IsTheParameterBlockAndTheCompactedAsciiScript) {
    const std::string script = testing::readFormatScript();
    for (std::size_t i = 0; i < script.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(script[i]), 0x80u) << "byte " << i;
        ASSERT_EQ(script[i] == '\n', i > 0 && script[i - 1] == '\r') << "bare CR or LF at " << i;
    }
    EXPECT_EQ(script.find("<#"), std::string::npos);
    const std::string block =
        "$ExpectedVolume = '\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\'; "
        "$ExpectedSerial = 3735928559; $ExpectedDiskNumber = 3; $ExpectedBusType = 7; "
        "$ExpectedDriveLetter = 'F'; $AllocationUnitSize = 131072;\r\n$NewLabel = 'MODELS 01'; "
        "$ExpectedDeviceSerial = [Text.Encoding]::Unicode.GetString([Convert]::FromBase64String("
        "'NABDADUAMwAwADAAMAAxADIAMwAwADUAMQA3ADEAMQA3ADAANwAzAA==')); $ExpectedOffset = "
        "16777216; $ExpectedExtent = 1234567954432; $ExpectedDiskBytes = 1234601148416; "
        "$ExpectedCapacity = 1234567890123; $ExpectedPartitionNumber = 2; $ExpectedPartitionStyle "
        "= 'GPT';\r\n$ExpectedAppPath = 'C:\\';\r\n$ExpectedPartitionId = "
        "'{01234567-89AB-CDEF-0123-456789ABCDEF}'; $ExpectedDiskId = "
        "'{FEDCBA98-7654-3210-FEDC-BA9876543210}';\r\n";
    EXPECT_EQ(toUtf8(composeFormatCommandFrom(testing::sampleTarget(kPartitionStyleGpt), 131072,
                                              fromUtf8("MODELS 01"), script, kProgram)),
              std::string(kPowerShellOptions) +
                  encodeBase64(utf16LeBytes(block + compactFormatScript(script))));
}

TEST(FormatCommand, CompactionDropsBlankAndCommentLinesAndIndentation) {
    EXPECT_EQ(
        compactFormatScript("\tfoo = 1\r\n  # indented comment\r\n\r\n \t \r\n\t\tbar  'x'  \r\n"
                            "#top comment\n  \r  baz # trailing stays\nlast"),
        "foo = 1\r\nbar  'x'  \r\nbaz # trailing stays\nlast\n");
    EXPECT_EQ(compactFormatScript("\r\n\r\n"), "");
}

// One input of the command changed; the error it must give, or "composed".
struct Input {
    FormatTarget target = testing::sampleTarget(kPartitionStyleGpt);
    std::uint32_t cluster = 0;
    std::string label = "orvane", program = "C:\\Tools\\OrvaneVarnolt.exe";
};

TEST(FormatCommand, EveryValidationHasItsMessage) {
    namespace error = format_command_error;
    const auto root = [](const char* r) {
        return [r](Input& in) { in.target.volume.root = fromUtf8(r); };
    };
    const auto label = [](const char* l) { return [l](Input& in) { in.label = l; }; };
    const auto program = [](const char* p) { return [p](Input& in) { in.program = p; }; };
    // clang-format off
    const std::vector<std::pair<std::function<void(Input&)>, std::string>> rows = {
        {[](Input& in) { in.cluster = 32768; }, "composed"},
        {[](Input& in) { in.cluster = 16384; }, error::kParameters},
        {[](Input& in) { in.target.volumePath.pop_back(); }, error::kParameters},
        {label("AZ az_09-"), "composed"}, {label("ABCDEFGHIJKL"), error::kParameters}, {label(""), error::kParameters},
        {label("-card"), error::kParameters}, {label("card "), error::kParameters}, {label("a.b"), error::kParameters},
        {root("A:\\"), "composed"}, {root("Z:\\"), "composed"}, {root("F:"), error::kDriveLetter},
        {root("F;\\"), error::kDriveLetter}, {root("F:/"), error::kDriveLetter},
        {root("@:\\"), error::kDriveLetter}, {root("[:\\"), error::kDriveLetter},
        {[](Input& in) { in.target.busType = 11; }, error::kBus},
        {[](Input& in) { in.target.partitionId = fromUtf8("{0'}"); }, error::kIdentity},
        {[](Input& in) { in.target.diskId = fromUtf8("12 34"); }, error::kIdentity},
        {program("a:\\x.exe"), "composed"}, {program("z:\\x.exe"), "composed"},
        {program("A:\\x.exe"), "composed"}, {program("Z:\\x.exe"), "composed"},
        // A program on a network share cannot launch a format, nor one without a drive root.
        {program("\\\\server\\share\\x.exe"), error::kAppPath}, {program("C:x.exe"), error::kAppPath},
        {program("C:/Tools/x.exe"), error::kAppPath},
    };
    // clang-format on
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Input in;
        rows[i].first(in);
        std::string outcome = "composed";
        try {
            composeFormatCommandFrom(in.target, in.cluster, fromUtf8(in.label), "x\r\n",
                                     fromUtf8(in.program));
        } catch (const std::runtime_error& error) {
            outcome = error.what();
        }
        EXPECT_EQ(outcome, rows[i].second) << "row " << i;
    }
}

// The longest values of every field fit the launch limit exactly; one more character is refused.
TEST(FormatCommand, LongDeviceSerialsFitUntilTheLaunchLimit) {
    const std::string script = testing::readFormatScript();
    FormatTarget target = testing::sampleTarget(kPartitionStyleGpt);
    target.volume.totalBytes = target.diskBytes = 9999999999999;
    target.partitionOffset = 1000000000000;
    target.partitionLength = 8999999999999;
    target.volumeSerial = target.diskNumber = target.partitionNumber = 4294967295u;
    const auto encodedChars = [&](std::size_t serialChars) -> std::size_t {
        target.deviceSerial = fromUtf8(std::string(serialChars, 'W'));
        try {
            return toUtf8(composeFormatCommandFrom(target, 262144, fromUtf8("ABCDEFGHIJK"), script,
                                                   kProgram))
                       .size() -
                   kPowerShellOptions.size();
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), format_command_error::kTooLong);
            return 0;
        }
    };
    std::size_t longest = 64;
    while (encodedChars(longest + 1) > 0)
        ++longest;
    EXPECT_EQ(encodedChars(longest), kMaxEncodedCommandChars);
}

TEST(FormatCommand, Base64AndUtf16MatchTheirStandards) {
    for (const auto& [plain, encoded] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"\xFB\xFF\xBF", "+/+/"}})
        EXPECT_EQ(encodeBase64(std::vector<std::uint8_t>(plain.begin(), plain.end())), encoded);
    EXPECT_EQ(utf16LeBytes("A\xC3\xA4\xE0\xA0\x80\xE2\x82\xAC\xF0\x9F\x98\x80\xFF"),
              (std::vector<std::uint8_t>{0x41, 0, 0xE4, 0, 0, 0x08, 0xAC, 0x20, 0x3D, 0xD8, 0, 0xDE,
                                         0xFD, 0xFF}));
}

// The verdict on the volume after a format to the request, as "verified? | status | details".
std::string verdictFor(
    std::uint32_t cluster, std::uint64_t allocation,
    const std::function<void(FormatTarget&)>& change = [](FormatTarget&) {}) {
    const FormatRequest request{testing::sampleTarget(kPartitionStyleMbr), fromUtf8("orvane"),
                                cluster};
    FormatTarget fresh = request.target;
    fresh.volume.filesystem = fromUtf8("EXFAT");
    fresh.volume.label = fromUtf8("orvane");
    fresh.volume.allocationUnitBytes = allocation;
    fresh.volumeSerial = 0xABCD;  // a format gives a new serial
    fresh.partitionNumber = 7;    // not part of the comparison
    change(fresh);
    const FormatVerdict v = verifyFormatOutcome(0, request, [&] { return fresh; });
    return (v.verified ? "yes | " : "no | ") + v.status + " | " + v.details;
}

TEST(FormatVerification, OnlyTheRequestedVolumeIsVerified) {
    namespace text = format_verdict_text;
    EXPECT_EQ(verdictFor(131072, 131072),
              "yes | Format verified. Select a live target again. | Verified exFAT label orvane; "
              "actual allocation 128.0 KiB. Select a live drive and run a fresh benchmark.");
    // The Windows default accepts whatever non-zero allocation Windows chose.
    EXPECT_EQ(verdictFor(0, 32768).rfind("yes | ", 0), 0u);
    const std::string no = "no | Format could not be verified. Contents may have changed. | ";
    const std::string differs = no + text::kResultDiffers + text::kNotVerifiedSuffix;
    EXPECT_EQ(verdictFor(0, 0), differs);
    EXPECT_EQ(verdictFor(65536, 131072), differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.volume.label = fromUtf8("ORVANE"); }),
              differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.volume.filesystem = fromUtf8("FAT"); }),
              differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.diskNumber = 4; }),
              no + text::kIdentityChanged + text::kNotVerifiedSuffix);
}

TEST(FormatVerification, RefusedReviewAndFailedScriptAreNotVerified) {
    const FormatRequest request{testing::sampleTarget(kPartitionStyleMbr), fromUtf8("x"), 0};
    const FormatVerdict refused = verifyFormatOutcome(0, request, []() -> FormatTarget {
        throw std::runtime_error("Read-only volumes cannot be formatted.");
    });
    EXPECT_EQ(refused.details, std::string("Read-only volumes cannot be formatted.") +
                                   format_verdict_text::kNotVerifiedSuffix);
    bool reviewed = false;
    const FormatVerdict failed = verifyFormatOutcome(1, request, [&] {
        reviewed = true;
        return request.target;
    });
    EXPECT_FALSE(refused.verified || failed.verified || reviewed);
    EXPECT_EQ(failed.details, format_verdict_text::kNotVerifiedSuffix);
}

}  // namespace
}  // namespace orvane
