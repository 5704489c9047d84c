// The format script run by the tools Linux has: its C# compiled as Windows PowerShell 5.1's
// Add-Type would (C# 5) and run with Mono against disk images with one fault each; the script and
// two launch commands the product composes checked by format_script_checks.ps1 in a real pwsh.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"  // with the byte builder, source tree and temp folders

namespace orvane {
namespace {

using testing::Bytes;
using testing::put;

// CRC-32 (IEEE) of a whole buffer, as GPT headers and tables carry it.
std::uint32_t crc32(const Bytes& b, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

// A disk image with an MBR, or a protective MBR and both GPT copies, holding two partitions: the
// second is the reviewed one. The hooks put a single fault in: header before a header's checksums
// are made, after into the finished image.
struct DiskImage {
    struct Mbr {
        std::uint8_t type;
        std::uint32_t start, sectors;
        std::uint8_t status = 0;
    };
    bool gpt;
    std::uint32_t sector;
    std::uint32_t sectors = gpt && sector == 4096 ? 512 : 2048;
    std::uint32_t entryCount = 128;
    std::vector<Mbr> mbr;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> partitions;  // GPT first and last LBA
    std::function<void(Bytes&, bool)> header = [](Bytes&, bool) {};
    std::function<void(Bytes&)> after = [](Bytes&) {};

    DiskImage(bool isGpt, std::uint32_t size) : gpt(isGpt), sector(size) {
        mbr = gpt ? std::vector<Mbr>{{0xEE, 1, sectors - 1}}
                  : std::vector<Mbr>{{0x0C, 64, 512}, {0x07, 576, 1024}};
        if (gpt)
            partitions = {{firstUsable(), firstUsable() + 7}, {firstUsable() + 8, lastUsable()}};
    }
    std::uint64_t tableSectors() const { return (entryCount * 128ull + sector - 1) / sector; }
    std::uint64_t firstUsable() const { return 2 + tableSectors(); }
    std::uint64_t lastUsable() const { return sectors - 2 - tableSectors(); }
    std::uint64_t tableLba(bool primary) const {
        return primary ? 2 : sectors - 1 - tableSectors();
    }

    Bytes build() const {
        Bytes disk(std::uint64_t{sectors} * sector, 0);
        disk[510] = 0x55;
        disk[511] = 0xAA;
        for (std::size_t i = 0; i < mbr.size(); ++i) {
            disk[446 + 16 * i] = mbr[i].status;
            disk[446 + 16 * i + 4] = mbr[i].type;
            put(disk, 446 + 16 * i + 8, mbr[i].start);
            put(disk, 446 + 16 * i + 12, mbr[i].sectors);
        }
        for (const bool primary : {true, false}) {
            if (!gpt)
                break;
            Bytes table(entryCount * 128ull, 0);
            for (std::size_t i = 0; i < partitions.size(); ++i) {
                table[i * 128] = 0xA2;  // a non-zero type GUID
                put(table, i * 128 + 32, partitions[i].first, 8);
                put(table, i * 128 + 40, partitions[i].second, 8);
            }
            Bytes h(sector, 0);
            std::copy_n("EFI PART", 8, h.begin());
            put(h, 12, 92);
            put(h, 24, primary ? 1 : sectors - 1, 8);
            put(h, 32, primary ? sectors - 1 : 1, 8);
            put(h, 40, firstUsable(), 8);
            put(h, 48, lastUsable(), 8);
            put(h, 56, 0xA7A6A5A4A3A2A1A0, 8);  // the disk GUID
            put(h, 72, tableLba(primary), 8);
            put(h, 80, entryCount);
            put(h, 84, 128);
            header(h, primary);
            put(h, 88, crc32(table, table.size()));
            put(h, 16, crc32(h, 92));
            std::copy(table.begin(), table.end(), disk.data() + tableLba(primary) * sector);
            std::copy(h.begin(), h.end(), disk.data() + (primary ? 1 : sectors - 1) * sector);
        }
        after(disk);
        return disk;
    }
};

struct MapCase {
    const char* name;
    bool gpt;
    std::uint32_t sector;
    std::function<void(DiskImage&)> change;
    const char* expected;
    std::uint32_t claimedSector = 0;                // when not the image's own
    std::int64_t offsetShift = 0, lengthShift = 0;  // of the reviewed partition
};

constexpr bool kMbr = false, kGpt = true;
const auto kAsIs = [](DiskImage&) {};

// One accepted image per layout, one refused image per refusal.
// clang-format off
const MapCase kMapCases[] = {
    {"ValidMbr512", kMbr, 512, kAsIs, "OK"}, {"ValidGpt512", kGpt, 512, kAsIs, "OK"},
    {"ValidMbr4096EndingAtDiskEnd", kMbr, 4096, [](DiskImage& i) { i.mbr[1].sectors = 2048 - 576; }, "OK"},
    // A table shorter than a sector is read in whole sectors; the partitions stay put.
    {"ValidGpt4096FourEntries", kGpt, 4096, [](DiskImage& i) { i.entryCount = 4; }, "OK"},
    {"SectorOf1000", kMbr, 512, [](DiskImage& i) { i.sectors = 2047; }, "Unsupported geometry", 1000},
    {"ImageShorterThanTheDisk", kGpt, 512, [](DiskImage& i) { i.after = [](Bytes& d) { d.resize(2047 * 512); }; }, "Short map read"},
    {"MbrSignature", kMbr, 512, [](DiskImage& i) { i.after = [](Bytes& d) { d[511] = 0; }; }, "Invalid MBR signature"},
    {"MbrExtended", kMbr, 512, [](DiskImage& i) { i.mbr.push_back({15, 1600, 64}); }, "Unsupported MBR map"},
    {"MbrEmptyEntryWithStart", kMbr, 512, [](DiskImage& i) { i.mbr.push_back({0x00, 1700, 0}); }, "Malformed MBR entry"},
    {"MbrPastDiskEnd", kMbr, 512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 349}); }, "MBR bounds"},
    {"MbrOverlap", kMbr, 512, [](DiskImage& i) { i.mbr[0].sectors = 513; }, "MBR overlap"},
    {"MbrReviewedPartitionMissing", kMbr, 4096, kAsIs, "Raw partition differs from review", 0, 0, -4096},
    {"GptWithoutProtectiveMbr", kGpt, 512, [](DiskImage& i) { i.mbr[0].type = 0x07; }, "Missing protective MBR"},
    {"HybridMbr", kGpt, 512, [](DiskImage& i) { i.mbr.push_back({0x07, 64, 8}); }, "Hybrid MBR refused"},
    {"GptBackupSignature", kGpt, 512, [](DiskImage& i) { i.after = [](Bytes& d) { d[2047 * 512] = 'X'; }; }, "GPT signature"},
    {"GptBackupAlternateLba", kGpt, 4096, [](DiskImage& i) { i.header = [](Bytes& h, bool p) { if (!p) put(h, 32, 2, 8); }; }, "GPT header bounds"},
    {"GptHeaderCrc", kGpt, 512, [](DiskImage& i) { i.after = [](Bytes& d) { d[512 + 16] ^= 1; }; }, "GPT header CRC"},
    {"GptEntrySize", kGpt, 512, [](DiskImage& i) { i.header = [](Bytes& h, bool) { put(h, 84, 256); }; }, "GPT table bounds"},
    {"GptTableCrc", kGpt, 4096, [](DiskImage& i) { i.after = [](Bytes& d) { d[2 * 4096 + 100] ^= 1; }; }, "GPT table CRC"},
    {"GptBackupDiskGuidDiffers", kGpt, 512, [](DiskImage& i) { i.header = [](Bytes& h, bool p) { h[60] ^= !p; }; }, "GPT copies disagree"},
    {"GptPartitionReversed", kGpt, 4096, [](DiskImage& i) { i.partitions[0] = {i.firstUsable() + 5, i.firstUsable() + 4}; }, "GPT partition bounds"},
    {"GptOverlap", kGpt, 512, [](DiskImage& i) { i.partitions[0].second = i.partitions[1].first; }, "GPT overlap"},
    {"GptReviewedPartitionMissing", kGpt, 512, kAsIs, "Raw GPT differs from review", 0, 512},
};
// clang-format on

int run(const std::string& command, const std::string& out) {
    return std::system((command + " >'" + out + "' 2>&1").c_str());
}

TEST(FormatScriptMap, CompilesAsCSharp5AndValidatesRawMaps) {
    if (std::system("command -v mcs >/dev/null && command -v mono >/dev/null") != 0)
        GTEST_SKIP() << "Mono's mcs and mono are not installed";
    testing::TempFolder folder;
    const std::string dir = folder.path().string() + "/", log = dir + "mcs.log";
    // The bodies of the script's single-quoted here-strings: its inline C# sources.
    const std::string script = testing::readFormatScript();
    std::string files;
    for (std::size_t at = 0, end = 0; (at = script.find("@'\r\n", end)) != std::string::npos;) {
        end = script.find("\r\n'@", at);
        files += " '" + dir + std::to_string(at) + ".cs'";
        testing::writeWholeFile(dir + std::to_string(at) + ".cs",
                                script.substr(at + 4, end - at - 4));
    }
    ASSERT_EQ(run("mcs -langversion:5 -warnaserror+ -target:library -out:'" + dir + "orvane.dll'" +
                      files + " && mcs -langversion:5 -r:'" + dir + "orvane.dll' -out:'" + dir +
                      "harness.exe' '" +
                      (testing::sourceTree() / "tests/format/map_harness.cs").string() + "'",
                  log),
              0)
        << testing::readWholeFile(log);

    // One image per case, listed as the harness reads them; each answer names its image.
    std::ostringstream list;
    std::string expected;
    for (const MapCase& c : kMapCases) {
        DiskImage i(c.gpt, c.sector);
        c.change(i);
        const Bytes disk = i.build();
        testing::writeWholeFile(dir + c.name, std::string(disk.begin(), disk.end()));
        const std::uint64_t first = i.gpt ? i.partitions[1].first : i.mbr[1].start;
        const std::uint64_t count = i.gpt ? i.partitions[1].second - first + 1 : i.mbr[1].sectors;
        list << dir << c.name << "|" << (c.claimedSector ? c.claimedSector : i.sector) << "|"
             << std::uint64_t{i.sectors} * i.sector << "|" << i.gpt << "|"
             << static_cast<std::int64_t>(first * i.sector) + c.offsetShift << "|"
             << static_cast<std::int64_t>(count * i.sector) + c.lengthShift << "\n";
        expected += std::string(c.name) + ": " + c.expected + "\n";
    }
    testing::writeWholeFile(dir + "cases.txt", list.str());
    ASSERT_EQ(run("mono '" + dir + "harness.exe' '" + dir + "cases.txt'", log), 0)
        << testing::readWholeFile(log);
    EXPECT_EQ(testing::readWholeFile(log), expected);
}

// A device serial that only survives its launch encoding intact as UTF-16.
const char* const kDeviceSerial = " WD-\xC3\x84 0042 ";

std::string commandFor(std::uint32_t style, std::uint32_t cluster, const char* label) {
    FormatTarget target = testing::acceptedTarget(style);
    target.deviceSerial = fromUtf8(kDeviceSerial);
    return toUtf8(composeFormatCommandFrom(target, cluster, fromUtf8(label),
                                           testing::readFormatScript(),
                                           fromUtf8("C:\\Tools\\OrvaneVarnolt.exe")));
}

TEST(FormatScriptPowerShell, ParsesTheScriptAndCommandsAndRunsTheScriptsOwnRules) {
    testing::TempFolder folder;
    const std::string dir = folder.path().string() + "/", source = testing::sourceTree().string();
    testing::writeWholeFile(dir + "mbr.command", commandFor(kPartitionStyleMbr, 0, "DATA"));
    testing::writeWholeFile(dir + "gpt.command",
                            commandFor(kPartitionStyleGpt, 131072, "MODELS 01"));
    testing::writeWholeFile(dir + "serial.txt", kDeviceSerial);
    // pwsh on PATH, else where scripts/install-deps.sh puts it; its launcher finds .NET through
    // DOTNET_ROOT. Quiet: no telemetry, banners, update checks or profiling JIT for a short run.
    const int status = run(
        "d=$(command -v dotnet) && export DOTNET_ROOT=\"${DOTNET_ROOT:-$(dirname "
        "\"$(readlink -f \"$d\")\")}\"; PATH=\"$PATH:$HOME/.dotnet/tools\" "
        "DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_TieredPGO=0 "
        "POWERSHELL_TELEMETRY_OPTOUT=1 POWERSHELL_UPDATECHECK=Off pwsh -NoProfile -NonInteractive "
        "-File '" +
            source + "/tests/format/format_script_checks.ps1' -Script '" + source +
            "/format/script/format-exfat.ps1' -Work '" + dir + "'",
        dir + "checks.txt");
    const std::string report = testing::readWholeFile(dir + "checks.txt");
    std::cout << report;
    EXPECT_EQ(status, 0);
    EXPECT_NE(report.find("all checks passed"), std::string::npos);
}

}  // namespace
}  // namespace orvane
