#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/base64.h"
#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"

namespace orvane {
namespace {

const NativeString kProgram = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");

TEST(FormatCommand, IsTheParameterBlockAndTheCompactedScript) {
    const std::string script = testing::readFormatScript();
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

template <typename Change>
std::string failureOf(Change change) {
    Input in;
    change(in);
    try {
        composeFormatCommandFrom(in.target, in.cluster, fromUtf8(in.label), "x\r\n",
                                 fromUtf8(in.program));
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "composed";
}

TEST(FormatCommand, EveryValidationHasItsMessage) {
    namespace error = format_command_error;
    const std::string ok = "composed", params = error::kParameters;
    for (const std::uint32_t cluster : {0u, 32768u, 65536u, 16384u})
        EXPECT_EQ(failureOf([&](Input& in) { in.cluster = cluster; }),
                  cluster == 16384 ? params : ok)
            << cluster;
    for (const char* label : {"ABCDEFGHIJK", "AZaz09", "a-b 1_c"})
        EXPECT_EQ(failureOf([&](Input& in) { in.label = label; }), ok) << label;
    for (const char* program : {"a:\\x.exe", "z:\\x.exe", "A:\\x.exe", "Z:\\x.exe"})
        EXPECT_EQ(failureOf([&](Input& in) { in.program = program; }), ok) << program;
    for (const char* label :
         {"ABCDEFGHIJKL", "", "-card", " card", "card ", "K\xC3\xA4se", "a'b", "a.b"})
        EXPECT_EQ(failureOf([&](Input& in) { in.label = label; }), params) << label;
    EXPECT_EQ(failureOf([](Input& in) { in.target.volumePath.pop_back(); }), params);
    for (const char* root : {"f:\\", "F:", "F:\\x\\", "1:\\", "F;\\", "F:/", "[:\\"})
        EXPECT_EQ(failureOf([&](Input& in) { in.target.volume.root = fromUtf8(root); }),
                  error::kDriveLetter)
            << root;
    for (const std::uint32_t bus : {0u, 11u, 17u})
        EXPECT_EQ(failureOf([&](Input& in) { in.target.busType = bus; }), error::kBus) << bus;
    EXPECT_EQ(failureOf([](Input& in) { in.target.partitionId = fromUtf8("{0'}"); }),
              error::kIdentity);
    EXPECT_EQ(failureOf([](Input& in) { in.target.diskId = fromUtf8("12 34"); }), error::kIdentity);
    // A program on a network share cannot launch a format, nor one without a drive root.
    for (const char* program :
         {"\\\\server\\share\\OrvaneVarnolt.exe", "\\\\?\\C:\\OrvaneVarnolt.exe",
          "C:OrvaneVarnolt.exe", "C:/Tools/OrvaneVarnolt.exe", ""})
        EXPECT_EQ(failureOf([&](Input& in) { in.program = program; }), error::kAppPath) << program;
    // Validation runs in order: the first broken rule names the failure.
    EXPECT_EQ(failureOf([](Input& in) {
                  in.target.volume.root = fromUtf8("f:\\"), in.target.busType = 11;
              }),
              error::kDriveLetter);
    EXPECT_EQ(
        failureOf([](Input& in) { in.target.volume.root = fromUtf8("f:\\"), in.cluster = 16384; }),
        params);
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

}  // namespace
}  // namespace orvane
