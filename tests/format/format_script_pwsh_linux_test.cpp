// The format script read and exercised by a real PowerShell: the file and two launch commands
// composed by the product, checked by format_script_checks.ps1 in one PowerShell process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

// A device serial that only survives its launch encoding intact as UTF-16.
const char* const kDeviceSerial = " WD-\xC3\x84 0042 ";

std::string commandFor(std::uint32_t style, std::uint32_t cluster, const char* label) {
    FormatTarget target = testing::sampleTarget(style);
    target.deviceSerial = fromUtf8(kDeviceSerial);
    return toUtf8(composeFormatCommandFrom(target, cluster, fromUtf8(label),
                                           testing::readFormatScript(),
                                           fromUtf8("C:\\Tools\\OrvaneVarnolt.exe")));
}

TEST(FormatScriptPowerShell, ParsesTheScriptAndCommandsAndRunsTheScriptsOwnRules) {
    // pwsh on PATH, else where scripts/install-deps.sh installs it.
    const char* home = std::getenv("HOME");
    std::string pwsh = std::filesystem::path(home ? home : "") / ".dotnet/tools/pwsh";
    if (std::system("command -v pwsh >/dev/null 2>&1") == 0)
        pwsh = "pwsh";
    else
        ASSERT_TRUE(std::filesystem::exists(pwsh)) << "PowerShell (pwsh) is not installed, "
                                                      "neither on PATH nor in ~/.dotnet/tools: "
                                                      "run scripts/install-deps.sh";
    testing::TempFolder folder;
    const std::filesystem::path dir = folder.path();
    testing::writeWholeFile(dir / "mbr.command", commandFor(kPartitionStyleMbr, 0, "DATA"));
    testing::writeWholeFile(dir / "gpt.command",
                            commandFor(kPartitionStyleGpt, 131072, "MODELS 01"));
    testing::writeWholeFile(dir / "serial.txt", kDeviceSerial);
    testing::writeWholeFile(dir / "maps.txt", testing::writeMapImages(dir));

    const std::string source = testing::sourceTree().string();
    const std::filesystem::path out = dir / "checks.txt";
    // Non-interactive and quiet: no telemetry, banners or update checks on the way; no profiling
    // JIT for a short run. The tool's launcher finds .NET through DOTNET_ROOT when it is elsewhere.
    const std::string command =
        "d=$(command -v dotnet) && export DOTNET_ROOT=\"${DOTNET_ROOT:-$(dirname "
        "\"$(readlink -f \"$d\")\")}\"; DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 "
        "DOTNET_TieredPGO=0 POWERSHELL_TELEMETRY_OPTOUT=1 POWERSHELL_UPDATECHECK=Off " +
        pwsh + " -NoProfile -NonInteractive -File '" + source +
        "/tests/format/format_script_checks.ps1' -Script '" + source +
        "/format/script/format-exfat.ps1' -Work '" + dir.string() + "' >'" + out.string() +
        "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string report = testing::readWholeFile(out);
    std::cout << report;
    EXPECT_EQ(status, 0);
    EXPECT_NE(report.find(", 0 failed"), std::string::npos);
}

}  // namespace
}  // namespace orvane
