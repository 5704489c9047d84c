// The script's C# compiled as Windows PowerShell 5.1's Add-Type would (C# 5), and its raw
// partition map validation run with Mono against disk images with exactly one fault each.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/format/format_fixtures.h"
#include "tests/support/byte_builder.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

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

// A disk image with an MBR or a protective MBR and both GPT copies. The hooks put a single fault
// in: header before a header's checksums are made, after into the finished image.
struct DiskImage {
    struct Mbr {
        std::uint8_t type;
        std::uint32_t start, sectors;
        std::uint8_t status = 0;
    };
    std::uint32_t sector = 512;
    std::uint64_t sectors = 2048;
    bool gpt = false;
    std::vector<Mbr> mbr;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> partitions;  // GPT first and last LBA
    std::uint32_t entryCount = 128;
    std::function<void(Bytes&, bool)> header = [](Bytes&, bool) {};
    std::function<void(Bytes&)> after = [](Bytes&) {};

    std::uint64_t tableSectors() const { return (entryCount * 128ull + sector - 1) / sector; }
    std::uint64_t firstUsable() const { return 2 + tableSectors(); }
    std::uint64_t lastUsable() const { return sectors - 2 - tableSectors(); }
    std::uint64_t tableLba(bool primary) const {
        return primary ? 2 : sectors - 1 - tableSectors();
    }

    Bytes build() const {
        Bytes disk(sectors * sector, 0);
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

// Two partitions; the second is the reviewed one.
DiskImage image(bool gpt, std::uint32_t sector, const std::function<void(DiskImage&)>& change) {
    DiskImage i;
    i.sector = sector;
    i.gpt = gpt;
    i.sectors = gpt && sector == 4096 ? 512 : 2048;
    if (gpt) {
        i.mbr = {{0xEE, 1, static_cast<std::uint32_t>(i.sectors - 1)}};
        i.partitions = {{i.firstUsable(), i.firstUsable() + 7},
                        {i.firstUsable() + 8, i.lastUsable()}};
    } else {
        i.mbr = {{0x0C, 64, 512}, {0x07, 576, 1024}};
    }
    change(i);
    return i;
}
const auto kAsIs = [](DiskImage&) {};
DiskImage mbr(std::uint32_t sector, const std::function<void(DiskImage&)>& change = kAsIs) {
    return image(false, sector, change);
}
DiskImage gpt(std::uint32_t sector, const std::function<void(DiskImage&)>& change = kAsIs) {
    return image(true, sector, change);
}

struct MapCase {
    std::string name;
    DiskImage image;
    std::string expected;
    std::uint32_t sector = 0;  // the sector size claimed, when not the image's own
    std::int64_t offsetShift = 0, lengthShift = 0;  // of the reviewed partition
};

// One accepted image per layout, one refused image per refusal.
std::vector<MapCase> mapCases() {
    // clang-format off
    return {
        {"ValidMbr512", mbr(512), "OK"}, {"ValidGpt512", gpt(512), "OK"}, {"ValidMbr4096", mbr(4096), "OK"},
        // A table shorter than a sector is read in whole sectors; the partitions stay put.
        {"ValidGpt4096FourEntries", gpt(4096, [](DiskImage& i) { i.entryCount = 4; }), "OK"},
        {"SectorOf1000", mbr(512, [](DiskImage& i) { i.sectors = 2047; }), "Unsupported geometry", 1000},
        {"ImageShorterThanTheDisk", gpt(512, [](DiskImage& i) { i.after = [](Bytes& d) { d.resize(2047 * 512); }; }), "Short map read"},
        {"MbrSignature", mbr(512, [](DiskImage& i) { i.after = [](Bytes& d) { d[511] = 0; }; }), "Invalid MBR signature"},
        {"MbrExtended", mbr(512, [](DiskImage& i) { i.mbr.push_back({15, 1600, 64}); }), "Unsupported MBR map"},
        {"MbrEmptyEntryWithStart", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x00, 1700, 0}); }), "Malformed MBR entry"},
        {"MbrPastDiskEnd", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 349}); }), "MBR bounds"},
        {"MbrOverlap", mbr(512, [](DiskImage& i) { i.mbr[0].sectors = 513; }), "MBR overlap"},
        {"MbrReviewedPartitionMissing", mbr(4096), "Raw partition differs from review", 0, 0, -4096},
        {"GptWithoutProtectiveMbr", gpt(512, [](DiskImage& i) { i.mbr[0].type = 0x07; }), "Missing protective MBR"},
        {"HybridMbr", gpt(512, [](DiskImage& i) { i.mbr = {{0xEE, 1, 2047}, {0x07, 64, 8}}; }), "Hybrid MBR refused"},
        {"GptBackupSignature", gpt(512, [](DiskImage& i) { i.after = [](Bytes& d) { d[2047 * 512] = 'X'; }; }), "GPT signature"},
        {"GptBackupAlternateLba", gpt(4096, [](DiskImage& i) { i.header = [](Bytes& h, bool p) { if (!p) put(h, 32, 2, 8); }; }), "GPT header bounds"},
        {"GptHeaderCrc", gpt(512, [](DiskImage& i) { i.after = [](Bytes& d) { d[512 + 16] ^= 1; }; }), "GPT header CRC"},
        {"GptEntrySize", gpt(512, [](DiskImage& i) { i.header = [](Bytes& h, bool) { put(h, 84, 256); }; }), "GPT table bounds"},
        {"GptTableCrc", gpt(4096, [](DiskImage& i) { i.after = [](Bytes& d) { d[2 * 4096 + 100] ^= 1; }; }), "GPT table CRC"},
        {"GptBackupDiskGuidDiffers", gpt(512, [](DiskImage& i) { i.header = [](Bytes& h, bool p) { h[60] ^= !p; }; }), "GPT copies disagree"},
        {"GptPartitionReversed", gpt(4096, [](DiskImage& i) { i.partitions[0] = {i.firstUsable() + 5, i.firstUsable() + 4}; }), "GPT partition bounds"},
        {"GptOverlap", gpt(512, [](DiskImage& i) { i.partitions[0].second = i.partitions[1].first; }), "GPT overlap"},
        {"GptReviewedPartitionMissing", gpt(512), "Raw GPT differs from review", 0, 512},
    };
    // clang-format on
}

int run(const std::string& command, const std::string& out) {
    return std::system((command + " >'" + out + "' 2>&1").c_str());
}

TEST(FormatScriptMap, CompilesAsCSharp5AndValidatesRawMaps) {
    if (std::system("command -v mcs >/dev/null && command -v mono >/dev/null") != 0)
        GTEST_SKIP() << "Mono's mcs and mono are not installed";
    testing::TempFolder folder;
    const std::string dir = folder.path().string() + "/", log = dir + "mcs.log";
    const std::vector<std::string> sources = testing::hereStringsOf(testing::readFormatScript());
    ASSERT_EQ(sources.size(), 2u);
    std::string files;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        testing::writeWholeFile(dir + "inline" + std::to_string(i) + ".cs", sources[i]);
        files += " '" + dir + "inline" + std::to_string(i) + ".cs'";
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
    for (const MapCase& c : mapCases()) {
        const DiskImage& i = c.image;
        const Bytes disk = i.build();
        testing::writeWholeFile(dir + c.name, std::string(disk.begin(), disk.end()));
        const std::uint64_t first = i.gpt ? i.partitions[1].first : i.mbr[1].start;
        const std::uint64_t count = i.gpt ? i.partitions[1].second - first + 1 : i.mbr[1].sectors;
        list << dir << c.name << "|" << (c.sector ? c.sector : i.sector) << "|"
             << i.sectors * i.sector << "|" << i.gpt << "|"
             << static_cast<std::int64_t>(first * i.sector) + c.offsetShift << "|"
             << static_cast<std::int64_t>(count * i.sector) + c.lengthShift << "\n";
        expected += c.name + ": " + c.expected + "\n";
    }
    testing::writeWholeFile(dir + "cases.txt", list.str());
    ASSERT_EQ(run("mono '" + dir + "harness.exe' '" + dir + "cases.txt'", log), 0)
        << testing::readWholeFile(log);
    EXPECT_EQ(testing::readWholeFile(log), expected);
}

}  // namespace
}  // namespace orvane
