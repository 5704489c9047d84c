#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/base64.h"
#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/script_source.h"

namespace orvane {
namespace {

std::vector<std::uint8_t> decodeBase64(const std::string& text) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        const std::size_t value = alphabet.find(c);
        if (value == std::string::npos)
            throw std::runtime_error("not Base64");
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return out;
}

// The command text is ASCII: every UTF-16LE unit has a zero high byte.
std::string asciiOfUtf16Le(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() % 2 != 0)
        throw std::runtime_error("odd UTF-16 length");
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        if (bytes[i + 1] != 0 || bytes[i] >= 0x80)
            throw std::runtime_error("not ASCII");
        out += static_cast<char>(bytes[i]);
    }
    return out;
}

FormatTarget gptTarget() {
    FormatTarget target;
    target.volume.root = fromUtf8("F:\\");
    target.volume.totalBytes = 1234567890123;
    target.volumePath = fromUtf8("\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    target.volumeSerial = 3735928559u;
    target.diskNumber = 3;
    target.busType = 7;
    target.deviceSerial = fromUtf8("4C530001230517117073");
    target.partitionId = fromUtf8("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    target.diskId = fromUtf8("{FEDCBA98-7654-3210-FEDC-BA9876543210}");
    target.partitionOffset = 16777216;
    target.partitionLength = 1234567954432;
    target.diskBytes = 1234601148416;
    target.partitionNumber = 2;
    target.partitionStyle = 1;
    return target;
}

const NativeString kProgram = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");

std::string decodedCommand(const NativeString& command) {
    const std::string text = toUtf8(command);
    EXPECT_EQ(text.substr(0, kPowerShellOptions.size()), kPowerShellOptions);
    return asciiOfUtf16Le(decodeBase64(text.substr(kPowerShellOptions.size())));
}

std::string failureOf(const FormatTarget& target, std::uint32_t cluster, const std::string& label,
                      const std::string& program = "C:\\Tools\\OrvaneVarnolt.exe") {
    try {
        composeFormatCommandFrom(target, cluster, fromUtf8(label), "Write-Output 1\r\n",
                                 fromUtf8(program));
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "composed";
}

TEST(FormatCommand, DecodesToTheParameterBlockAndTheCompactedScript) {
    const std::string script = testing::readFormatScript();
    const NativeString command =
        composeFormatCommandFrom(gptTarget(), 131072, fromUtf8("MODELS 01"), script, kProgram);
    EXPECT_EQ(kPowerShellOptions.size(), 63u);
    const std::string text = decodedCommand(command);

    const std::string block =
        "$ExpectedVolume = '\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\'; "
        "$ExpectedSerial = 3735928559; $ExpectedDiskNumber = 3; $ExpectedBusType = 7; "
        "$ExpectedDriveLetter = 'F'; $AllocationUnitSize = 131072;\r\n"
        "$NewLabel = 'MODELS 01'; $ExpectedDeviceSerial = "
        "[Text.Encoding]::Unicode.GetString([Convert]::FromBase64String('" +
        encodeBase64(utf16LeBytes("4C530001230517117073")) +
        "')); $ExpectedOffset = 16777216; $ExpectedExtent = 1234567954432; "
        "$ExpectedDiskBytes = 1234601148416; $ExpectedCapacity = 1234567890123; "
        "$ExpectedPartitionNumber = 2; $ExpectedPartitionStyle = 'GPT';\r\n"
        "$ExpectedAppPath = 'C:\\';\r\n"
        "$ExpectedPartitionId = '{01234567-89AB-CDEF-0123-456789ABCDEF}'; "
        "$ExpectedDiskId = '{FEDCBA98-7654-3210-FEDC-BA9876543210}';\r\n";
    ASSERT_EQ(text.substr(0, block.size()), block);
    const std::string compacted = text.substr(block.size());
    EXPECT_EQ(compacted, compactFormatScript(script));

    // Every kept line starts with code and keeps its CRLF; no comment survives.
    std::size_t lines = 0;
    for (std::size_t at = 0; at < compacted.size(); ++lines) {
        const std::size_t end = compacted.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = compacted.substr(at, end - at);
        EXPECT_TRUE(line.size() >= 2 && line.back() == '\r') << line;
        EXPECT_TRUE(line[0] != ' ' && line[0] != '\t' && line[0] != '#' && line[0] != '\r') << line;
        at = end + 1;
    }
    EXPECT_GT(lines, 100u);
    std::cout << "compacted script: " << compacted.size() << " characters, " << lines << " lines\n";
}

TEST(FormatCommand, CompactionDropsBlankAndCommentLinesAndIndentation) {
    EXPECT_EQ(
        compactFormatScript("\tfoo = 1\r\n  # indented comment\r\n\r\n \t \r\n\t\tbar  'x'  \r\n"
                            "#top comment\n  \r  baz # trailing stays\nlast"),
        "foo = 1\r\nbar  'x'  \r\nbaz # trailing stays\nlast\n");
    EXPECT_EQ(compactFormatScript(""), "");
    EXPECT_EQ(compactFormatScript("\r\n\r\n"), "");
}

TEST(FormatCommand, MbrTargetsWriteMbrAndAnEmptyPartitionId) {
    FormatTarget target = gptTarget();
    target.partitionStyle = 0;
    target.partitionId.clear();
    target.diskId = fromUtf8("305419896");
    const std::string text = decodedCommand(composeFormatCommandFrom(
        target, 0, fromUtf8("ABCDEFGHIJK"), "x\r\n", fromUtf8("d:\\x.exe")));
    EXPECT_NE(text.find("$NewLabel = 'ABCDEFGHIJK';"), std::string::npos);
    EXPECT_NE(text.find("$AllocationUnitSize = 0;"), std::string::npos);
    EXPECT_NE(text.find("$ExpectedPartitionStyle = 'MBR';"), std::string::npos);
    EXPECT_NE(text.find("$ExpectedAppPath = 'd:\\';"), std::string::npos);
    EXPECT_NE(text.find("$ExpectedPartitionId = ''; $ExpectedDiskId = '305419896';"),
              std::string::npos);
}

TEST(FormatCommand, EveryValidationHasItsMessage) {
    const FormatTarget good = gptTarget();
    EXPECT_EQ(failureOf(good, 0, "orvane"), "composed");
    for (std::uint32_t cluster : {32768u, 65536u, 131072u, 262144u}) {
        EXPECT_EQ(failureOf(good, cluster, "a-b 1_c"), "composed") << cluster;
    }
    // Eleven characters at most; each end of every allowed range.
    for (const char* label : {"ABCDEFGHIJK", "AZaz09"})
        EXPECT_EQ(failureOf(good, 0, label), "composed") << label;

    const std::string params = format_command_error::kParameters;
    EXPECT_EQ(failureOf(good, 16384, "orvane"), params);
    EXPECT_EQ(failureOf(good, 1, "orvane"), params);
    for (const char* label :
         {"ABCDEFGHIJKL", "", "-card", " card", "card ", "K\xC3\xA4se", "a'b", "a.b"}) {
        EXPECT_EQ(failureOf(good, 0, label), params) << label;
    }
    FormatTarget badPath = good;
    badPath.volumePath.pop_back();
    EXPECT_EQ(failureOf(badPath, 0, "orvane"), params);

    for (const char* root : {"f:\\", "F:", "F:\\x\\", "1:\\"}) {
        FormatTarget target = good;
        target.volume.root = fromUtf8(root);
        EXPECT_EQ(failureOf(target, 0, "orvane"), format_command_error::kDriveLetter) << root;
    }
    for (std::uint32_t bus : {0u, 11u, 17u}) {
        FormatTarget target = good;
        target.busType = bus;
        EXPECT_EQ(failureOf(target, 0, "orvane"), format_command_error::kBus) << bus;
    }
    FormatTarget quotedId = good;
    quotedId.partitionId = fromUtf8("{0'}");
    EXPECT_EQ(failureOf(quotedId, 0, "orvane"), format_command_error::kIdentity);
    FormatTarget spacedDisk = good;
    spacedDisk.diskId = fromUtf8("12 34");
    EXPECT_EQ(failureOf(spacedDisk, 0, "orvane"), format_command_error::kIdentity);

    // A program on a network share cannot launch a format, nor one without a drive root.
    for (const char* program :
         {"\\\\server\\share\\OrvaneVarnolt.exe", "\\\\?\\C:\\OrvaneVarnolt.exe",
          "C:OrvaneVarnolt.exe", "C:/Tools/OrvaneVarnolt.exe", ""}) {
        EXPECT_EQ(failureOf(good, 0, "orvane", program), format_command_error::kAppPath) << program;
    }

    // Validation runs in order: the first broken rule names the failure.
    FormatTarget several = good;
    several.volume.root = fromUtf8("f:\\");
    several.busType = 11;
    EXPECT_EQ(failureOf(several, 0, "orvane"), format_command_error::kDriveLetter);
    EXPECT_EQ(failureOf(several, 16384, "orvane"), params);
}

// A GPT target with a 64-character device serial, 38-character GUIDs, an 11-character label and
// 13-digit sizes must fit the launch limit; the limit itself must still refuse.
TEST(FormatCommand, LongDeviceSerialsFitUntilTheLaunchLimit) {
    const std::string script = testing::readFormatScript();
    FormatTarget target = gptTarget();
    target.volume.totalBytes = 9999999999999;
    target.partitionOffset = 1000000000000;
    target.partitionLength = 8999999999999;
    target.diskBytes = 9999999999999;
    target.volumeSerial = 4294967295u;
    target.diskNumber = 4294967295u;
    target.partitionNumber = 4294967295u;
    const NativeString label = fromUtf8("ABCDEFGHIJK");

    const auto composes = [&](std::size_t serialChars) {
        target.deviceSerial = fromUtf8(std::string(serialChars, 'W'));
        try {
            composeFormatCommandFrom(target, 262144, label, script, kProgram);
            return true;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), format_command_error::kTooLong);
            return false;
        }
    };
    ASSERT_TRUE(composes(64));
    std::size_t longest = 64;
    while (composes(longest + 1))
        ++longest;
    EXPECT_FALSE(composes(longest + 1));
    EXPECT_FALSE(composes(4000));
    std::cout << "longest device serial that fits (GPT, 13-digit sizes): " << longest << "\n";

    // The Base64 text itself is what the limit measures.
    target.deviceSerial = fromUtf8(std::string(longest, 'W'));
    const std::string command =
        toUtf8(composeFormatCommandFrom(target, 262144, label, script, kProgram));
    EXPECT_LE(command.size() - kPowerShellOptions.size(), kMaxEncodedCommandChars);
    EXPECT_GT(command.size() - kPowerShellOptions.size(), kMaxEncodedCommandChars - 8);
}

TEST(FormatCommand, Base64AndUtf16MatchTheirStandards) {
    const auto bytesOf = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    EXPECT_EQ(encodeBase64({}), "");
    EXPECT_EQ(encodeBase64(bytesOf("f")), "Zg==");
    EXPECT_EQ(encodeBase64(bytesOf("fo")), "Zm8=");
    EXPECT_EQ(encodeBase64(bytesOf("foo")), "Zm9v");
    EXPECT_EQ(encodeBase64(bytesOf("foob")), "Zm9vYg==");
    EXPECT_EQ(encodeBase64(bytesOf("fooba")), "Zm9vYmE=");
    EXPECT_EQ(encodeBase64(bytesOf("foobar")), "Zm9vYmFy");
    EXPECT_EQ(encodeBase64({0xFB, 0xFF, 0xBF, 0x00}), "+/+/AA==");
    const std::vector<std::uint8_t> many(3000, 0xA5);
    EXPECT_EQ(decodeBase64(encodeBase64(many)), many);

    EXPECT_EQ(utf16LeBytes("A\xC3\xA4\xE2\x82\xAC"),
              (std::vector<std::uint8_t>{0x41, 0x00, 0xE4, 0x00, 0xAC, 0x20}));
    EXPECT_EQ(utf16LeBytes("\xF0\x9F\x98\x80"),
              (std::vector<std::uint8_t>{0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(utf16LeBytes("\xFF"), (std::vector<std::uint8_t>{0xFD, 0xFF}));
}

}  // namespace
}  // namespace orvane
