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

// The lines compaction would lose from a here-string, and code lines continued with a backtick
// into a line compaction drops. Compaction drops blank lines and lines whose code starts with
// "#"; nothing but a comment outside a here-string may look like that.
std::vector<std::string> linesCompactionWouldBreak(const std::string& script) {
    std::vector<std::string> broken;
    std::string closing;  // the closing mark of the here-string the line is in
    std::string previousCode;
    for (const std::string& line : linesOf(script)) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        const bool dropped = first == std::string::npos || line[first] == '#';
        if (!closing.empty()) {
            if (line.rfind(closing, 0) == 0) {
                closing.clear();
                continue;
            }
            if (dropped)
                broken.push_back(line);
            continue;
        }
        if (!dropped) {
            // A here-string opens at the end of a line and closes at a line starting with '@ or
            // "@, in both kinds; compaction knows neither.
            for (const char* opener : {"@'\r", "@\"\r"}) {
                const std::size_t at = line.rfind(opener);
                if (at != std::string::npos && at + 3 == line.size())
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

TEST_F(FormatScriptText, NoLineIsDroppedByMistake) {
    EXPECT_EQ(script.find("<#"), std::string::npos) << "block comments would be half-stripped";
    EXPECT_EQ(linesCompactionWouldBreak(script), std::vector<std::string>{});
    EXPECT_EQ(testing::hereStringsOf(script).size(), 2u);

    // The guard itself: each of these scripts would lose a line of a here-string.
    const struct {
        const char* name;
        const char* text;
    } refused[] = {
        {"BlankLineInLiteral", "$a = @'\r\none\r\n\r\ntwo\r\n'@\r\n"},
        {"HashLineInLiteral", "$a = @'\r\n  # kept?\r\n'@\r\n"},
        {"BlankLineInExpanding", "$a = @\"\r\none\r\n   \r\ntwo\r\n\"@\r\n"},
        {"HashLineInExpanding", "$a = @\"\r\n#x\r\n\"@\r\n"},
        {"PreprocessorLineInCSharp",
         "Add-Type -TypeDefinition @'\r\npublic class C {\r\n#if DEBUG\r\n#endif\r\n}\r\n'@\r\n"},
        {"ContinuedIntoAComment", "Get-Thing `\r\n  # note\r\n  -Force\r\n"},
    };
    for (const auto& c : refused)
        EXPECT_FALSE(linesCompactionWouldBreak(c.text).empty()) << c.name;
}

}  // namespace
}  // namespace orvane
