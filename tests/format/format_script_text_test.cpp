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
