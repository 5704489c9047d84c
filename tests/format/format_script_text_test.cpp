#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/format/format_fixtures.h"

namespace orvane {
namespace {

TEST(FormatScriptText, IsAsciiWithCrlfAndNamesItselfFirst) {
    const std::string script = testing::readFormatScript();
    for (std::size_t i = 0; i < script.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(script[i]), 0x80u) << "byte " << i;
        ASSERT_EQ(script[i] == '\n', i > 0 && script[i - 1] == '\r') << "bare CR or LF at " << i;
    }
    EXPECT_EQ(script.rfind("# Embedded by Orvane Varnolt. Expected* variables come from its "
                           "reviewed target.\r\n# This script is not a standalone CLI utility. It "
                           "never accepts arbitrary command text.\r\n",
                           0),
              0u);
}

// Compaction drops blank lines and lines whose code starts with "#": the here-string lines that
// would lose, and code lines continued with a backtick into such a line.
std::vector<std::string> linesCompactionWouldBreak(const std::string& script) {
    std::vector<std::string> broken;
    std::string closing, previousCode, line;  // closing: the mark of the open here-string
    std::istringstream lines(script);
    while (std::getline(lines, line)) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        const bool dropped = first == std::string::npos || line[first] == '#';
        if (!closing.empty()) {
            if (line.rfind(closing, 0) == 0)
                closing.clear();
            else if (dropped)
                broken.push_back(line);
        } else if (!dropped) {
            for (const char* opener : {"@'\r", "@\"\r"}) {
                if (line.size() >= 3 && line.compare(line.size() - 3, 3, opener) == 0)
                    closing = std::string(1, opener[1]) + "@";
            }
            previousCode = line;
        } else if (previousCode.size() >= 2 && previousCode[previousCode.size() - 2] == '`') {
            broken.push_back(previousCode);
        }
    }
    if (!closing.empty())
        broken.push_back("(unterminated here-string)");
    return broken;
}

TEST(FormatScriptText, NoLineIsDroppedByMistake) {
    const std::string script = testing::readFormatScript();
    EXPECT_EQ(script.find("<#"), std::string::npos) << "block comments would be half-stripped";
    EXPECT_EQ(linesCompactionWouldBreak(script), std::vector<std::string>{});
    EXPECT_EQ(testing::hereStringsOf(script).size(), 2u);
    // The guard itself: each of these would lose a line.
    for (const char* text :
         {"$a = @'\r\none\r\n\r\ntwo\r\n'@\r\n", "$a = @'\r\n  # kept?\r\n'@\r\n",
          "$a = @\"\r\none\r\n   \r\ntwo\r\n\"@\r\n", "$a = @\"\r\n#x\r\n\"@\r\n",
          "Add-Type @'\r\nclass C {\r\n#if DEBUG\r\n#endif\r\n}\r\n'@\r\n",
          "Get-Thing `\r\n  # note\r\n  -Force\r\n", "$a = @'\r\nx\r\n"})
        EXPECT_FALSE(linesCompactionWouldBreak(text).empty()) << text;
}

}  // namespace
}  // namespace orvane
