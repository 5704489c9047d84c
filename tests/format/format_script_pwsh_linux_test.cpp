// The format script read and exercised by a real PowerShell: the file and two launch commands
// composed by the product, checked by format_script_checks.ps1 in one PowerShell process.
#include <gtest/gtest.h>

#include <cstdlib>
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
    testing::TempFolder folder;
    const std::string dir = folder.path().string(), source = testing::sourceTree().string();
    testing::writeWholeFile(dir + "/mbr.command", commandFor(kPartitionStyleMbr, 0, "DATA"));
    testing::writeWholeFile(dir + "/gpt.command",
                            commandFor(kPartitionStyleGpt, 131072, "MODELS 01"));
    testing::writeWholeFile(dir + "/serial.txt", kDeviceSerial);
    // pwsh on PATH, else where scripts/install-deps.sh puts it; its launcher finds .NET through
    // DOTNET_ROOT. Quiet: no telemetry, banners, update checks or profiling JIT for a short run.
    const std::string command =
        "d=$(command -v dotnet) && export DOTNET_ROOT=\"${DOTNET_ROOT:-$(dirname "
        "\"$(readlink -f \"$d\")\")}\"; PATH=\"$PATH:$HOME/.dotnet/tools\" "
        "DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_TieredPGO=0 "
        "POWERSHELL_TELEMETRY_OPTOUT=1 POWERSHELL_UPDATECHECK=Off pwsh -NoProfile -NonInteractive "
        "-File '" +
        source + "/tests/format/format_script_checks.ps1' -Script '" + source +
        "/format/script/format-exfat.ps1' -Work '" + dir + "' >'" + dir + "/checks.txt' 2>&1";
    const int status = std::system(command.c_str());
    const std::string report = testing::readWholeFile(dir + "/checks.txt");
    std::cout << report;
    EXPECT_EQ(status, 0);
    EXPECT_NE(report.find(", 0 failed"), std::string::npos);
}

}  // namespace
}  // namespace orvane
