#include <gtest/gtest.h>

#include <string>

#include "tests/format/format_fixtures.h"

namespace orvane {
namespace {

// Windows PowerShell reads a file without a byte order mark as ANSI: the script stays ASCII.
// Block comments would be half-stripped by compaction; format_script_checks.ps1 compares the
// compacted code with the file's.
TEST(FormatScriptText, IsAsciiWithCrlfAndNamesItselfFirst) {
    const std::string script = testing::readFormatScript();
    for (std::size_t i = 0; i < script.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(script[i]), 0x80u) << "byte " << i;
        ASSERT_EQ(script[i] == '\n', i > 0 && script[i - 1] == '\r') << "bare CR or LF at " << i;
    }
    EXPECT_EQ(script.find("<#"), std::string::npos);
    EXPECT_EQ(script.rfind("# Embedded by Orvane Varnolt. Expected* variables come from its "
                           "reviewed target.\r\n# This script is not a standalone CLI utility. It "
                           "never accepts arbitrary command text.\r\n",
                           0),
              0u);
}

}  // namespace
}  // namespace orvane
