#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/script_source.h"

namespace orvane {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class FormatScriptText : public ::testing::Test {
  protected:
    const std::string script = testing::readFormatScript();
};

TEST_F(FormatScriptText, IsAsciiWithCrlfAndNamesItselfFirst) {
    for (std::size_t i = 0; i < script.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(script[i]), 0x80u) << "byte " << i;
        if (script[i] == '\n') {
            ASSERT_TRUE(i > 0 && script[i - 1] == '\r') << "bare LF at " << i;
        }
        if (script[i] == '\r') {
            ASSERT_TRUE(i + 1 < script.size() && script[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    const std::vector<std::string> lines = linesOf(script);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "# Embedded by Orvane Varnolt. Expected* variables come from its reviewed target.\r");
    EXPECT_EQ(lines[1],
              "# This script is not a standalone CLI utility. It never accepts arbitrary command "
              "text.\r");
}

// Every failure text appears once, and the checks of each group appear in their order.
TEST_F(FormatScriptText, EveryFailureTextAppearsOnceInOrder) {
    const std::vector<std::vector<std::string>> groups = {
        {"Missing or invalid reviewed volume identity.",
         "The volume serial changed after confirmation; formatting was refused.",
         "Volume identity changed; formatting was refused.",
         " If formatting was attempted, contents may have changed.",
         "Orvane Varnolt - Format failed"},
        {"Expected exactly one volume and one physical disk.",
         "Expected exactly one ordinary disk partition for this volume.",
         "The reviewed volume identity or drive letter changed.",
         "The reviewed physical disk changed.", "Windows boot and system disks are protected.",
         "Clustered, offline and read-only disks are not supported.",
         "Only verified USB, SD and MMC storage can be formatted."},
        {"Physical device serial changed or missing.",
         "Reviewed capacity or partition geometry changed.",
         "Unsupported partition layout or state.", "Only ordinary data partitions are supported.",
         "Disk or partition map identity changed or missing.",
         "Invalid or overlapping partition map.",
         "Windows/application physical disks are protected."},
        {"Unsupported allocation unit size.",
         "Invalid volume name: use 1-11 ASCII letters, digits, spaces, underscores or hyphens, "
         "without outer spaces or leading hyphen.",
         "Windows did not report a completed exFAT format.",
         "Formatted label or allocation could not be verified; contents may have changed.",
         "Windows reported a different allocation unit size."},
        {"\"Unsupported geometry\"",
         "\"Short map read\"",
         "\"Cannot read raw partition map\"",
         "\"Invalid MBR signature\"",
         "\"Missing protective MBR\"",
         "\"Hybrid MBR refused\"",
         "\"GPT signature\"",
         "\"GPT header bounds\"",
         "\"GPT header CRC\"",
         "\"GPT table bounds\"",
         "\"GPT table CRC\"",
         "\"GPT copies disagree\"",
         "\"Malformed MBR entry\"",
         "\"Unsupported MBR map\"",
         "\"MBR bounds\"",
         "\"MBR overlap\"",
         "\"Raw partition differs from review\"",
         "\"GPT partition bounds\"",
         "\"GPT overlap\"",
         "\"Raw GPT differs from review\""},
    };
    for (const auto& group : groups) {
        std::size_t previous = 0;
        for (const std::string& text : group) {
            EXPECT_EQ(occurrences(script, text), 1u) << text;
            const std::size_t at = script.find(text);
            EXPECT_GE(at, previous) << text << " is out of order";
            previous = at == std::string::npos ? previous : at;
        }
    }
}

// Compaction drops every line whose code starts with "#": nothing but a comment may look like that,
// and no construct may depend on a dropped line.
TEST_F(FormatScriptText, NoLineIsDroppedByMistake) {
    EXPECT_EQ(script.find("<#"), std::string::npos) << "block comments would be half-stripped";
    bool inHereString = false;
    std::string previousCode;
    for (const std::string& line : linesOf(script)) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        const bool dropped = first == std::string::npos || line[first] == '#';
        if (inHereString) {
            EXPECT_FALSE(first != std::string::npos && line[first] == '#') << line;
            if (line.rfind("'@", 0) == 0)
                inHereString = false;
            continue;
        }
        if (!dropped) {
            // A here-string ends only at a line that starts with '@ once compacted.
            if (line.find("@'\r") != std::string::npos)
                inHereString = true;
            previousCode = line;
        } else {
            // A line continued with a backtick must not be followed by a line compaction drops.
            EXPECT_FALSE(!previousCode.empty() && previousCode.size() >= 2 &&
                         previousCode[previousCode.size() - 2] == '`')
                << previousCode;
        }
    }
    EXPECT_FALSE(inHereString);
    EXPECT_EQ(testing::hereStringsOf(script).size(), 2u);
}

}  // namespace
}  // namespace orvane
