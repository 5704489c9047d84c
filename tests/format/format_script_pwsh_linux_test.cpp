// The format script read and exercised by a real PowerShell: the file and two launch commands
// composed by the product, checked by format_script_checks.ps1 in one PowerShell process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/map_images.h"
#include "tests/format/script_source.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

// A device serial that only survives its launch encoding intact as UTF-16.
const char* const kDeviceSerial = " WD-\xC3\x84 0042 ";

FormatTarget madeUpTarget(std::uint32_t style) {
    FormatTarget target;
    target.volume.root = fromUtf8("F:\\");
    target.volume.totalBytes = 31914983424;
    target.volumePath = fromUtf8("\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    target.volumeSerial = 3735928559u;
    target.diskNumber = 3;
    target.busType = style == kPartitionStyleGpt ? 7 : 12;
    target.deviceSerial = fromUtf8(kDeviceSerial);
    target.partitionOffset = 1048576;
    target.partitionLength = 31914983424;
    target.diskBytes = 31918653440;
    target.partitionNumber = 1;
    target.partitionStyle = style;
    if (style == kPartitionStyleGpt) {
        target.partitionId = fromUtf8("{01234567-89AB-CDEF-0123-456789ABCDEF}");
        target.diskId = fromUtf8("{FEDCBA98-7654-3210-FEDC-BA9876543210}");
    } else {
        target.diskId = fromUtf8("305419896");
    }
    return target;
}

// pwsh on PATH, else where scripts/install-deps.sh installs it.
std::string powerShell() {
    if (std::system("command -v pwsh >/dev/null 2>&1") == 0)
        return "pwsh";
    const char* home = std::getenv("HOME");
    const std::filesystem::path tool =
        std::filesystem::path(home ? home : "") / ".dotnet/tools/pwsh";
    return std::filesystem::exists(tool) ? tool.string() : std::string();
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(FormatScriptPowerShell, ParsesTheScriptAndCommandsAndRunsTheScriptsOwnRules) {
    const std::string pwsh = powerShell();
    ASSERT_FALSE(pwsh.empty())
        << "PowerShell (pwsh) is not installed, neither on PATH nor in ~/.dotnet/tools; the format "
           "script tests need it: run scripts/install-deps.sh";
    testing::TempFolder folder;
    const std::filesystem::path dir = folder.path();

    const std::string script = testing::readFormatScript();
    const NativeString program = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");
    testing::writeWholeFile(dir / "mbr.command",
                            toUtf8(composeFormatCommandFrom(madeUpTarget(kPartitionStyleMbr), 0,
                                                            fromUtf8("DATA"), script, program)));
    testing::writeWholeFile(dir / "gpt.command", toUtf8(composeFormatCommandFrom(
                                                     madeUpTarget(kPartitionStyleGpt), 131072,
                                                     fromUtf8("MODELS 01"), script, program)));
    testing::writeWholeFile(dir / "serial.txt", kDeviceSerial);
    testing::writeWholeFile(dir / "maps.txt", testing::writeMapImages(dir));

    const std::filesystem::path source = testing::sourceTree();
    const std::filesystem::path out = dir / "checks.txt";
    // Non-interactive and quiet: no telemetry, banners or update checks on the way; no profiling
    // JIT for a short run. The tool's launcher finds .NET through DOTNET_ROOT when it is elsewhere.
    const std::string command =
        "d=$(command -v dotnet) && export DOTNET_ROOT=\"${DOTNET_ROOT:-$(dirname "
        "\"$(readlink -f \"$d\")\")}\"; "
        "DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_TieredPGO=0 "
        "POWERSHELL_TELEMETRY_OPTOUT=1 "
        "POWERSHELL_UPDATECHECK=Off " +
        pwsh + " -NoProfile -NonInteractive -File " +
        quoted(source / "tests/format/format_script_checks.ps1") + " -Script " +
        quoted(source / "format/script/format-exfat.ps1") + " -Work " + quoted(dir) + " >" +
        quoted(out) + " 2>&1";
    const int status = std::system(command.c_str());
    const std::string report = testing::readWholeFile(out);
    std::cout << report;
    EXPECT_EQ(status, 0);
    EXPECT_NE(report.find(", 0 failed"), std::string::npos);
}

}  // namespace
}  // namespace orvane
