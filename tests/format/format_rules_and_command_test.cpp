#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/base64.h"
#include "format/format_command.h"
#include "format/format_query_bytes.h"
#include "format/format_target_rules.h"
#include "format/format_verification.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"
#include "tests/support/byte_builder.h"

namespace orvane {
namespace {

namespace dl = disk_layout;
namespace no = format_refusal;

using namespace testing;

// Every field of the reviewed target but the volume details it copies, in one line.
std::string fieldsOf(const FormatCase& c) {
    const FormatTarget t = reviewFormatSnapshot(c.volume, c.s);
    std::string text = toUtf8(t.volume.root + t.volumePath) + " [" + toUtf8(t.deviceSerial) + "] " +
                       toUtf8(t.partitionId) + " " + toUtf8(t.diskId);
    for (const std::uint64_t n :
         {std::uint64_t{t.volumeSerial}, std::uint64_t{t.diskNumber}, std::uint64_t{t.busType},
          t.partitionOffset, t.partitionLength, t.diskBytes, std::uint64_t{t.partitionNumber},
          std::uint64_t{t.partitionStyle}})
        text += " " + std::to_string(n);
    return text;
}

TEST(FormatReview, AcceptedTargetsCarryTheirIdentityForTheRecheck) {
    FormatCase mbr = acceptedMbr();
    mbr.volume.root = fromUtf8("f:\\");
    EXPECT_EQ(fieldsOf(mbr), std::string("F:\\") + kTargetVolume +
                                 " [  4C530001230517117073 ]  305419896 3735928559 3 7 16777216 "
                                 "33554432000 67108864000 1 0");
    EXPECT_EQ(fieldsOf(acceptedGpt()),
              std::string("F:\\") + kTargetVolume +
                  " [K\xC3\xA4se-01] {01234567-89AB-CDEF-0123-456789ABCDEF} "
                  "{FEDCBA98-7654-3210-FEDC-BA9876543210} 3735928559 3 "
                  "12 16777216 33554432000 67108864000 2 1");
    // A recheck compares the volume path in any case and ignores the label and free space.
    const FormatTarget saved = reviewFormatSnapshot(acceptedGpt().volume, acceptedGpt().s);
    FormatTarget fresh = saved;
    fresh.volumePath = fromUtf8("\\\\?\\VOLUME{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\\");
    fresh.volume.label = fromUtf8("RENAMED");
    fresh.volume.freeBytesBefore += 4096;
    EXPECT_NO_THROW(requireSameFormatTarget(saved, fresh));
    ++fresh.volume.totalBytes;
    EXPECT_THROW(requireSameFormatTarget(saved, fresh), std::runtime_error);
}

struct Rule {
    const char* name;
    FormatCase (*base)();
    std::function<void(FormatCase&)> change;
    const char* message;  // "accepted" for the shapes that must pass
};

void PrintTo(const Rule& rule, std::ostream* out) {
    *out << rule.name;
}

class FormatReviewRule : public ::testing::TestWithParam<Rule> {};

TEST_P(FormatReviewRule, GivesItsOutcome) {
    FormatCase c = GetParam().base();
    GetParam().change(c);
    try {
        reviewFormatSnapshot(c.volume, c.s);
        EXPECT_STREQ("accepted", GetParam().message);
    } catch (const std::runtime_error& refusal) {
        EXPECT_STREQ(refusal.what(), GetParam().message);
    }
}

void layout(FormatCase& c, std::uint32_t style, const std::vector<testing::LayoutEntry>& entries) {
    c.s.driveLayout = testing::layoutBytes(style, entries, kDiskGuid);
}
constexpr std::uint32_t M = kPartitionStyleMbr, G = kPartitionStyleGpt;

// Each row breaks one rule of an accepted target, or keeps it acceptable at a boundary. In an
// all-of or any-of condition one row per operator's neighbour suffices.
// clang-format off
const Rule kRules[] = {
    {"MbrType0B", acceptedMbr, [](FormatCase& c) { c.s.partition->mbrType = 0x0B; }, "accepted"},
    // Entries that touch on both sides, one ending at the disk's end, one skipped for its type.
    {"TouchingAndSkippedEntries", acceptedMbr, [](FormatCase& c) { c.s.diskLength = kAt + kLen + kMiB; layout(c, M, {{kAt, kLen}, {kAt + kLen, kMiB}, {kMiB, kAt - kMiB}, {kMiB, kMiB, 0}}); }, "accepted"},
    {"MountedFolderRoot", acceptedMbr, [](FormatCase& c) { c.volume.root = fromUtf8("F:\\Cards\\A\\"); }, no::kDriveLetter},
    {"RootWithoutBackslash", acceptedMbr, [](FormatCase& c) { c.volume.root = fromUtf8("F:/"); }, no::kDriveLetter},
    {"NoVolumeGuidPath", acceptedMbr, [](FormatCase& c) { c.s.volumePath.reset(); }, no::kStableIdentity},
    {"GuidPathWithoutBackslash", acceptedMbr, [](FormatCase& c) { c.s.volumePath->pop_back(); }, no::kVolumeIdentifier},
    {"NoWindowsDirectory", acceptedMbr, [](FormatCase& c) { c.s.windowsDirectory.reset(); }, no::kProtectedVolumes},
    {"ProgramVolumeUnknown", acceptedMbr, [](FormatCase& c) { c.s.programVolumePath.reset(); }, no::kStableIdentity},
    {"WindowsVolumeInOtherCase", acceptedMbr, [](FormatCase& c) { c.s.windowsVolumePath = fromUtf8("\\\\?\\VOLUME{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\\"); }, no::kWindowsVolume},
    {"ProgramVolume", acceptedMbr, [](FormatCase& c) { c.s.programVolumePath = fromUtf8(kTargetVolume); }, no::kProgramVolume},
    {"NoVolumeSerial", acceptedMbr, [](FormatCase& c) { c.s.volumeInformation.reset(); }, no::kVolumeSerial},
    {"ReadOnlyVolume", acceptedMbr, [](FormatCase& c) { c.s.volumeInformation->flags |= 0x80000; }, no::kReadOnly},
    {"VolumeDeviceNotOpened", acceptedMbr, [](FormatCase& c) { c.s.volumeDeviceOpened = false; }, no::kStorageBus},
    {"PropertyQueryShort", acceptedMbr, [](FormatCase& c) { c.s.storageDescriptor->resize(39); }, no::kDiskIdentity},
    {"ExtentsFailed", acceptedMbr, [](FormatCase& c) { c.s.diskExtent.reset(); }, no::kDiskIdentity},
    {"PartitionInfoFailed", acceptedMbr, [](FormatCase& c) { c.s.partition.reset(); }, no::kDiskIdentity},
    {"ExtentAtZero", acceptedMbr, [](FormatCase& c) { c.s.diskExtent->offset = c.s.partition->offset = 0; }, no::kDiskIdentity},
    {"ExtentEmpty", acceptedMbr, [](FormatCase& c) { c.s.diskExtent->length = c.s.partition->length = 0; }, no::kDiskIdentity},
    {"MbrType08", acceptedMbr, [](FormatCase& c) { c.s.partition->mbrType = 0x08; }, no::kDiskIdentity},
    {"GptPlatformRequired", acceptedGpt, [](FormatCase& c) { c.s.partition->gptAttributes = 1ull; }, no::kDiskIdentity},
    {"SerialOfBlanks", acceptedMbr, [](FormatCase& c) { c.s.storageDescriptor = testing::descriptorBytes(kBusUsb, " \t\r\n "); }, no::kDeviceSerial},
    {"WindowsDisk", acceptedMbr, [](FormatCase& c) { c.s.windowsDiskNumber = kDisk; }, no::kProtectedDisk},
    {"ProgramDiskUnknown", acceptedMbr, [](FormatCase& c) { c.s.programDiskNumber.reset(); }, no::kProtectedDiskUnknown},
    {"AttributesFailed", acceptedMbr, [](FormatCase& c) { c.s.diskAttributes.reset(); }, no::kPartitionMap},
    {"DiskOffline", acceptedMbr, [](FormatCase& c) { c.s.diskAttributes = 0x1; }, no::kPartitionMap},
    {"LengthFailed", acceptedMbr, [](FormatCase& c) { c.s.diskLength.reset(); }, no::kPartitionMap},
    {"LayoutShort", acceptedMbr, [](FormatCase& c) { c.s.driveLayout->resize(47); }, no::kPartitionMap},
    {"GptZeroDiskId", acceptedGpt, [](FormatCase& c) { putGuid(*c.s.driveLayout, dl::kLayoutDiskIdAt, Guid{}); }, no::kMapIdentity},
    {"MbrZeroSignature", acceptedMbr, [](FormatCase& c) { put(*c.s.driveLayout, dl::kLayoutSignatureAt, 0); }, no::kMapIdentity},
    {"Layout129Entries", acceptedMbr, [](FormatCase& c) { std::vector<testing::LayoutEntry> e(129); e[0] = {kAt, kLen}; layout(c, M, e); }, no::kMapBounds},
    {"LayoutCountBeyondReturnedBytes", acceptedMbr, [](FormatCase& c) { c.s.driveLayout->pop_back(); }, no::kMapBounds},
    {"PartitionRunsPastDiskEnd", acceptedMbr, [](FormatCase& c) { c.s.diskLength = kAt + kLen - 1; }, no::kMapBounds},
    {"EntryAtZero", acceptedMbr, [](FormatCase& c) { layout(c, M, {{kAt, kLen}, {0, kMiB}}); }, no::kOutOfBounds},
    {"EntryPastDiskEnd", acceptedGpt, [](FormatCase& c) { layout(c, G, {{kAt, kLen}, {kDiskBytes - kMiB, kMiB + 1}}); }, no::kOutOfBounds},
    {"OneByteOverlap", acceptedMbr, [](FormatCase& c) { layout(c, M, {{kMiB, kAt - kMiB + 1}, {kAt, kLen}}); }, no::kOverlap},
    {"SataAfterEveryPartitionTest", acceptedMbr, [](FormatCase& c) { put(*c.s.storageDescriptor, dl::kDescriptorBusTypeAt, 11); }, no::kBus},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryRule, FormatReviewRule, ::testing::ValuesIn(kRules),
                         [](const auto& param) { return std::string(param.param.name); });

// The valid path holds each edge of the hex digit ranges; each other one breaks one rule.
TEST(FormatGuidText, VolumePathForms) {
    EXPECT_TRUE(
        isVolumeGuidPath(fromUtf8("\\\\?\\Volume{09afAF01-2345-6789-abcd-ef0123456789}\\")));
    for (const char* bad : {"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9\\\\",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}x",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8g9}\\",
                            "/\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\"})
        EXPECT_FALSE(isVolumeGuidPath(fromUtf8(bad))) << bad;
}

// An answer fits between the minimum and the buffer. Both halves of the partition union hold
// bytes: only the style's own half is read.
TEST(FormatQueryBytes, AnswersAndTheirFields) {
    const Bytes buffer{1, 2, 3, 4};
    EXPECT_FALSE(returnedBytes(false, 4, buffer, 0) || returnedBytes(true, 1, buffer, 2) ||
                 returnedBytes(true, 5, buffer, 0));
    EXPECT_EQ(returnedBytes(true, 2, buffer, 2), (Bytes{1, 2}));
    EXPECT_EQ(returnedBytes(true, 4, buffer, 0), buffer);
    namespace at = query_layout;
    Bytes b(dl::kPartitionEntryBytes, 0);
    put(b, dl::kPartitionOffsetAt, 16777216, 8);
    put(b, dl::kPartitionLengthAt, 0x123456789Aull, 8);
    put(b, at::kPartitionNumberAt, 2);
    putGuid(b, at::kPartitionGptTypeAt, kPartitionGuid);  // its first bytes are the MBR fields
    putGuid(b, at::kPartitionGptIdAt, kDiskGuid);
    put(b, at::kPartitionGptAttributesAt, 1ull << 63, 8);
    const auto as = [&b](std::uint32_t style) {
        put(b, at::kPartitionStyleAt, style);
        return partitionFromBytes(b);
    };
    const PartitionFacts mbr = as(M), gpt = as(G), raw = as(2);
    EXPECT_EQ(std::vector<std::uint64_t>({mbr.style, mbr.offset, mbr.length, mbr.number,
                                          mbr.mbrType, mbr.bootIndicator, mbr.gptAttributes}),
              std::vector<std::uint64_t>({0, 16777216, 0x123456789Aull, 2, 0x67, 1, 0}));
    EXPECT_TRUE(mbr.gptType.isZero() && mbr.gptId.isZero() && raw.gptType.isZero());
    EXPECT_TRUE(gpt.gptType == kPartitionGuid && gpt.gptId == kDiskGuid &&
                gpt.gptAttributes == 1ull << 63);
    EXPECT_TRUE(gpt.mbrType == 0 && !gpt.bootIndicator && raw.mbrType == 0);
}

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
        "$ExpectedSerial = 3735928559; $ExpectedDiskNumber = 3; $ExpectedBusType = 12; "
        "$ExpectedDriveLetter = 'F'; $AllocationUnitSize = 131072;\r\n$NewLabel = 'MODELS 01'; "
        "$ExpectedDeviceSerial = [Text.Encoding]::Unicode.GetString([Convert]::FromBase64String("
        "'SwDkAHMAZQAtADAAMQA=')); $ExpectedOffset = "
        "16777216; $ExpectedExtent = 33554432000; $ExpectedDiskBytes = 67108864000; "
        "$ExpectedCapacity = 33553383424; $ExpectedPartitionNumber = 2; $ExpectedPartitionStyle "
        "= 'GPT';\r\n$ExpectedAppPath = 'C:\\';\r\n$ExpectedPartitionId = "
        "'{01234567-89AB-CDEF-0123-456789ABCDEF}'; $ExpectedDiskId = "
        "'{FEDCBA98-7654-3210-FEDC-BA9876543210}';\r\n";
    EXPECT_EQ(toUtf8(composeFormatCommandFrom(acceptedTarget(kPartitionStyleGpt), 131072,
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
    FormatTarget target = acceptedTarget(kPartitionStyleGpt);
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
        {label("AZ az_09-"), "composed"}, {label("ABCDEFGHIJKL"), error::kParameters},
        {label("-card"), error::kParameters}, {label("a.b"), error::kParameters},
        {root("A:\\"), "composed"}, {root("Z:\\"), "composed"}, {root("F;\\"), error::kDriveLetter},
        {root("@:\\"), error::kDriveLetter}, {root("[:\\"), error::kDriveLetter},
        {[](Input& in) { in.target.busType = 11; }, error::kBus},
        {[](Input& in) { in.target.partitionId = fromUtf8("{0'}"); }, error::kIdentity},
        {[](Input& in) { in.target.diskId = fromUtf8("12 34"); }, error::kIdentity},
        {program("a:\\x.exe"), "composed"}, {program("z:\\x.exe"), "composed"},
        {program("A:\\x.exe"), "composed"}, {program("Z:\\x.exe"), "composed"},
        // A program on a network share cannot launch a format, nor one without a drive root.
        {program("\\\\server\\share\\x.exe"), error::kAppPath}, {program("C:/Tools/x.exe"), error::kAppPath},
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
    FormatTarget target = acceptedTarget(kPartitionStyleGpt);
    target.volume.totalBytes = target.diskBytes = 9999999999999;
    target.partitionOffset = 1000000000000;
    target.partitionLength = 8999999999999;
    target.volumeSerial = target.diskNumber = target.partitionNumber = 4294967295u;
    std::size_t longest = 0;  // the encoded characters of the longest command composed
    for (std::size_t serialChars = 64;; ++serialChars) {
        target.deviceSerial = NativeString(serialChars, 'W');
        try {
            longest =
                composeFormatCommandFrom(target, 262144, fromUtf8("ABCDEFGHIJK"), script, kProgram)
                    .size() -
                kPowerShellOptions.size();
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), format_command_error::kTooLong);
            break;
        }
    }
    EXPECT_EQ(longest, kMaxEncodedCommandChars);
}

TEST(FormatCommand, Base64AndUtf16MatchTheirStandards) {
    for (const auto& [plain, encoded] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"\xFB\xFF\xBF", "+/+/"}})
        EXPECT_EQ(encodeBase64(std::vector<std::uint8_t>(plain.begin(), plain.end())), encoded);
    EXPECT_EQ(utf16LeBytes("A\xC3\xA4\xE0\xA0\x80\xE2\x82\xAC\xF0\x9F\x98\x80\xFF"),
              (std::vector<std::uint8_t>{0x41, 0, 0xE4, 0, 0, 0x08, 0xAC, 0x20, 0x3D, 0xD8, 0, 0xDE,
                                         0xFD, 0xFF}));
}

// The verdict on the volume after a format to the request, as "verified? | status | details";
// the review again finds the requested volume, changed by `change`.
std::string verdictFor(std::uint32_t cluster, std::uint64_t allocation,
                       const std::function<void(FormatTarget&)>& change,
                       std::uint32_t exitCode = 0) {
    const FormatRequest request{acceptedTarget(kPartitionStyleMbr), fromUtf8("orvane"), cluster};
    const FormatVerdict v = verifyFormatOutcome(exitCode, request, [&] {
        FormatTarget fresh = request.target;
        fresh.volume.filesystem = fromUtf8("EXFAT");
        fresh.volume.label = fromUtf8("orvane");
        fresh.volume.allocationUnitBytes = allocation;
        fresh.volumeSerial = 0xABCD;  // a format gives a new serial
        change(fresh);
        return fresh;
    });
    return (v.verified ? "yes | " : "no | ") + v.status + " | " + v.details;
}

TEST(FormatVerification, OnlyTheRequestedVolumeIsVerified) {
    namespace text = format_verdict_text;
    const auto same = [](FormatTarget&) {};
    EXPECT_EQ(verdictFor(131072, 131072, same),
              "yes | Format verified. Select a live target again. | Verified exFAT label orvane; "
              "actual allocation 128.0 KiB. Select a live drive and run a fresh benchmark.");
    // The Windows default accepts whatever non-zero allocation Windows chose.
    EXPECT_EQ(verdictFor(0, 32768, same).rfind("yes | ", 0), 0u);
    const std::string no = "no | Format could not be verified. Contents may have changed. | ";
    const std::string differs = no + text::kResultDiffers + text::kNotVerifiedSuffix;
    EXPECT_EQ(verdictFor(0, 0, same), differs);
    EXPECT_EQ(verdictFor(65536, 131072, same), differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.volume.label = fromUtf8("ORVANE"); }),
              differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.volume.filesystem = fromUtf8("FAT"); }),
              differs);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget& t) { t.diskNumber = 4; }),
              no + text::kIdentityChanged + text::kNotVerifiedSuffix);
    EXPECT_EQ(verdictFor(0, 4096, [](FormatTarget&) { throw std::runtime_error("Read-only."); }),
              no + "Read-only." + text::kNotVerifiedSuffix);
    // A failed script is not verified, and the volume is not even reviewed again.
    bool reviewed = false;
    EXPECT_EQ(verdictFor(
                  0, 4096, [&](FormatTarget&) { reviewed = true; }, 1),
              no + text::kNotVerifiedSuffix);
    EXPECT_FALSE(reviewed);
}

}  // namespace
}  // namespace orvane
