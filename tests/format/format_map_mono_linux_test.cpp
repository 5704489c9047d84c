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
using Fault = std::function<void(Bytes&, Bytes&, bool)>;

// CRC-32 (IEEE) of n bytes from at, as GPT headers and tables carry it.
std::uint32_t crc32(const Bytes& b, std::size_t at, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = at; i < at + n; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

// A disk image with an MBR or a protective MBR and both GPT copies. The hooks put a single fault
// in: headerFault before a header's checksums are made, afterSums into the finished image.
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
    Fault headerFault;
    std::function<void(Bytes&, const DiskImage&)> afterSums;

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
        std::vector<Mbr> entries = mbr;
        if (gpt && entries.empty())  // the protective entry, unless the image brings its own
            entries.push_back({0xEE, 1, static_cast<std::uint32_t>(sectors - 1)});
        for (std::size_t i = 0; i < entries.size(); ++i) {
            disk[446 + 16 * i] = entries[i].status;
            disk[446 + 16 * i + 4] = entries[i].type;
            put(disk, 446 + 16 * i + 8, entries[i].start);
            put(disk, 446 + 16 * i + 12, entries[i].sectors);
        }
        for (const bool primary : {true, false}) {
            if (!gpt)
                break;
            Bytes table(entryCount * 128ull, 0);
            for (std::size_t i = 0; i < partitions.size(); ++i) {
                table[i * 128] = 0xA2;  // a non-zero type GUID
                table[i * 128 + 16] = static_cast<std::uint8_t>(i + 1);
                put(table, i * 128 + 32, partitions[i].first, 8);
                put(table, i * 128 + 40, partitions[i].second, 8);
            }
            const Bytes written = table;
            Bytes h(sector, 0);
            std::copy_n("EFI PART", 8, h.begin());
            put(h, 8, 0x00010000);
            put(h, 12, 92);
            put(h, 24, primary ? 1 : sectors - 1, 8);
            put(h, 32, primary ? sectors - 1 : 1, 8);
            put(h, 40, firstUsable(), 8);
            put(h, 48, lastUsable(), 8);
            put(h, 56, 0xA7A6A5A4A3A2A1A0, 8);  // the disk GUID
            put(h, 64, 0xAFAEADACABAAA9A8, 8);
            put(h, 72, tableLba(primary), 8);
            put(h, 80, entryCount);
            put(h, 84, 128);
            if (headerFault)
                headerFault(h, table, primary);
            put(h, 88, crc32(table, 0, table.size()));
            put(h, 16,
                crc32(h, 0, std::min<std::size_t>(h[12] | std::size_t{h[13]} << 8, h.size())));
            std::copy(written.begin(), written.end(), disk.data() + tableLba(primary) * sector);
            std::copy(h.begin(), h.end(), disk.data() + (primary ? 1 : sectors - 1) * sector);
        }
        if (afterSums)
            afterSums(disk, *this);
        return disk;
    }
};

DiskImage mbr(std::uint32_t sector, const std::function<void(DiskImage&)>& change = {}) {
    DiskImage image;
    image.sector = sector;
    image.mbr = {{0x0C, 64, 512}, {0x07, 576, 1024}};  // the second is the reviewed partition
    if (change)
        change(image);
    return image;
}

DiskImage gpt(std::uint32_t sector, const std::function<void(DiskImage&)>& change = {}) {
    DiskImage image;
    image.sector = sector;
    image.sectors = sector == 512 ? 2048 : 512;
    image.gpt = true;
    const std::uint64_t first = image.firstUsable();
    image.partitions = {{first, first + 7}, {first + 8, image.lastUsable()}};
    if (change)
        change(image);
    return image;
}

DiskImage header(std::uint32_t sector, Fault fault) {
    return gpt(sector, [&](DiskImage& i) { i.headerFault = fault; });
}

DiskImage after(DiskImage image, std::function<void(Bytes&, const DiskImage&)> fault) {
    image.afterSums = std::move(fault);
    return image;
}

struct MapCase {
    std::string name;
    DiskImage image;
    std::string expected;
    std::uint32_t sector = 0;  // the sector size claimed, when not the image's own
    std::int64_t offsetShift = 0, lengthShift = 0;  // of the reviewed partition
};

std::vector<MapCase> mapCases() {
    // clang-format off
    return {
        {"ValidMbr512", mbr(512), "OK"}, {"ValidGpt512", gpt(512), "OK"},
        {"ValidMbr4096", mbr(4096), "OK"}, {"ValidGpt4096", gpt(4096), "OK"},
        {"GptHeaderSizeIsSector", header(512, [](Bytes& h, Bytes&, bool) { put(h, 12, 512); }), "OK"},
        // A table shorter than a sector is read in whole sectors.
        {"GptFourEntries", gpt(4096, [](DiskImage& i) { i.entryCount = 4; }), "OK"},
        {"SectorTooLarge", mbr(512), "Unsupported geometry", 8192},
        {"ImageShorterThanTheDisk", after(gpt(512), [](Bytes& d, const DiskImage&) { d.resize(2047 * 512); }), "Short map read"},
        {"SectorOf1000", mbr(512, [](DiskImage& i) { i.sectors = 2047; }), "Unsupported geometry", 1000},
        {"MbrSignature", after(mbr(512), [](Bytes& d, const DiskImage&) { d[511] = 0; }), "Invalid MBR signature"},
        {"MbrActive", mbr(512, [](DiskImage& i) { i.mbr[1].status = 0x80; }), "Unsupported MBR map"},
        {"MbrExtended5", mbr(512, [](DiskImage& i) { i.mbr.push_back({5, 1600, 64}); }), "Unsupported MBR map"},
        {"MbrExtended15", mbr(512, [](DiskImage& i) { i.mbr.push_back({15, 1600, 64}); }), "Unsupported MBR map"},
        {"MbrType133", mbr(512, [](DiskImage& i) { i.mbr.push_back({133, 1600, 64}); }), "Unsupported MBR map"},
        {"MbrType238", mbr(512, [](DiskImage& i) { i.mbr.push_back({238, 1600, 64}); }), "Unsupported MBR map"},
        {"MbrEmptyEntryWithStart", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x00, 1700, 0}); }), "Malformed MBR entry"},
        {"MbrPastDiskEnd", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 349}); }), "MBR bounds"},
        {"MbrEndingAtDiskEnd", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 348}); }), "OK"},
        {"MbrAtSectorZero", mbr(512, [](DiskImage& i) { i.mbr[0].start = 0; }), "MBR bounds"},
        {"MbrOverlap", mbr(512, [](DiskImage& i) { i.mbr[0].sectors = 513; }), "MBR overlap"},
        {"MbrReviewedPartitionMissing", mbr(4096), "Raw partition differs from review", 0, 0, -4096},
        {"GptWithoutProtectiveMbr", after(gpt(512), [](Bytes& d, const DiskImage&) { d[450] = 0x07; }), "Missing protective MBR"},
        {"HybridMbr", gpt(512, [](DiskImage& i) { i.mbr = {{0xEE, 1, 2047}, {0x07, 64, 8}}; }), "Hybrid MBR refused"},
        {"GptBackupSignature", after(gpt(512), [](Bytes& d, const DiskImage& i) { d[(i.sectors - 1) * i.sector] = 'X'; }), "GPT signature"},
        {"GptHeaderSize91", header(512, [](Bytes& h, Bytes&, bool) { put(h, 12, 91); }), "GPT header bounds"},
        {"GptHeaderSizeAboveSector", header(512, [](Bytes& h, Bytes&, bool) { put(h, 12, 513); }), "GPT header bounds"},
        {"GptHeaderOwnLba", header(512, [](Bytes& h, Bytes&, bool p) { if (p) put(h, 24, 2, 8); }), "GPT header bounds"},
        {"GptAlternateLba", header(4096, [](Bytes& h, Bytes&, bool p) { if (!p) put(h, 32, 2, 8); }), "GPT header bounds"},
        {"GptFirstUsableTooLow", header(512, [](Bytes& h, Bytes&, bool) { put(h, 40, 1, 8); }), "GPT table bounds"},
        {"GptEntrySize", header(512, [](Bytes& h, Bytes&, bool) { put(h, 84, 256); }), "GPT table bounds"},
        {"GptEntryCount129", header(512, [](Bytes& h, Bytes&, bool) { put(h, 80, 129); }), "GPT table bounds"},
        {"GptArrayBeyondDisk", header(4096, [](Bytes& h, Bytes&, bool p) { if (!p) put(h, 72, 510, 8); }), "GPT table bounds"},
        {"GptBackupUsableRangeDiffers", header(512, [](Bytes& h, Bytes&, bool p) { if (!p) put(h, 48, 1900, 8); }), "GPT copies disagree"},
        {"GptBackupDiskGuidDiffers", header(512, [](Bytes& h, Bytes&, bool p) { if (!p) h[60] ^= 1; }), "GPT copies disagree"},
        {"GptHeaderCrc", after(gpt(512), [](Bytes& d, const DiskImage& i) { d[i.sector + 16] ^= 1; }), "GPT header CRC"},
        {"GptTableCrc", after(gpt(4096), [](Bytes& d, const DiskImage& i) { d[2 * i.sector + 100] ^= 1; }), "GPT table CRC"},
        // The backup table and its checksum agree with each other but not with the primary.
        {"GptCopiesDisagree", after(header(512, [](Bytes&, Bytes& t, bool p) { if (!p) t[16] ^= 0x40; }),
                                    [](Bytes& d, const DiskImage& i) { d[i.tableLba(false) * i.sector + 16] ^= 0x40; }), "GPT copies disagree"},
        {"GptPartitionBelowUsable", gpt(512, [](DiskImage& i) { --i.partitions[0].first; }), "GPT partition bounds"},
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
