// The script's C# compiled as Windows PowerShell 5.1's Add-Type would (C# 5), and its raw
// partition map validation run with Mono against disk images with exactly one fault each.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
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
using testing::DiskImage;
using testing::put32;
using testing::put64;
using Fault = std::function<void(Bytes&, Bytes&, bool)>;

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
    std::vector<MapCase> cases = {
        {"ValidMbr512", mbr(512), "OK"}, {"ValidGpt512", gpt(512), "OK"},
        {"ValidMbr4096", mbr(4096), "OK"}, {"ValidGpt4096", gpt(4096), "OK"},
        {"GptHeaderSizeIsSector", header(512, [](Bytes& h, Bytes&, bool) { put32(h, 12, 512); }), "OK"},
        // A table shorter than a sector is read in whole sectors.
        {"GptFourEntries", gpt(4096, [](DiskImage& i) { i.entryCount = 4; }), "OK"},
        {"SectorTooLarge", mbr(512), "Unsupported geometry", 8192},
        {"ImageShorterThanTheDisk", gpt(512, [](DiskImage& i) { i.truncateTo = 2047 * 512; }), "Short map read"},
        {"SectorOf1000", mbr(512, [](DiskImage& i) { i.sectors = 2047; }), "Unsupported geometry", 1000},
        {"MbrSignature", after(mbr(512), [](Bytes& d, const DiskImage&) { d[511] = 0; }), "Invalid MBR signature"},
        {"GptMbrSignature", after(gpt(512), [](Bytes& d, const DiskImage&) { d[511] = 0; }), "Invalid MBR signature"},
        {"MbrActive", mbr(512, [](DiskImage& i) { i.mbr[1].status = 0x80; }), "Unsupported MBR map"},
        {"MbrEmptyEntryWithStart", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x00, 1700, 0}); }), "Malformed MBR entry"},
        {"MbrPastDiskEnd", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 349}); }), "MBR bounds"},
        {"MbrEndingAtDiskEnd", mbr(512, [](DiskImage& i) { i.mbr.push_back({0x07, 1700, 348}); }), "OK"},
        {"MbrAtSectorZero", mbr(512, [](DiskImage& i) { i.mbr[0].start = 0; }), "MBR bounds"},
        {"MbrOverlap", mbr(512, [](DiskImage& i) { i.mbr[0].sectors = 513; }), "MBR overlap"},
        {"MbrReviewedPartitionMissing", mbr(4096), "Raw partition differs from review", 0, 0, -4096},
        {"GptWithoutProtectiveMbr", after(gpt(512), [](Bytes& d, const DiskImage&) { d[450] = 0x07; }), "Missing protective MBR"},
        {"HybridMbr", gpt(512, [](DiskImage& i) { i.mbr = {{0xEE, 1, 2047}, {0x07, 64, 8}}; }), "Hybrid MBR refused"},
        {"GptBackupSignature", after(gpt(512), [](Bytes& d, const DiskImage& i) { d[(i.sectors - 1) * i.sector] = 'X'; }), "GPT signature"},
        {"GptHeaderSize91", header(512, [](Bytes& h, Bytes&, bool) { put32(h, 12, 91); }), "GPT header bounds"},
        {"GptHeaderSizeAboveSector", header(512, [](Bytes& h, Bytes&, bool) { put32(h, 12, 513); }), "GPT header bounds"},
        {"GptHeaderOwnLba", header(512, [](Bytes& h, Bytes&, bool p) { if (p) put64(h, 24, 2); }), "GPT header bounds"},
        {"GptAlternateLba", header(4096, [](Bytes& h, Bytes&, bool p) { if (!p) put64(h, 32, 2); }), "GPT header bounds"},
        {"GptFirstUsableTooLow", header(512, [](Bytes& h, Bytes&, bool) { put64(h, 40, 1); }), "GPT table bounds"},
        {"GptEntrySize", header(512, [](Bytes& h, Bytes&, bool) { put32(h, 84, 256); }), "GPT table bounds"},
        {"GptEntryCount129", header(512, [](Bytes& h, Bytes&, bool) { put32(h, 80, 129); }), "GPT table bounds"},
        {"GptArrayBeyondDisk", header(4096, [](Bytes& h, Bytes&, bool p) { if (!p) put64(h, 72, 510); }), "GPT table bounds"},
        {"GptBackupUsableRangeDiffers", header(512, [](Bytes& h, Bytes&, bool p) { if (!p) put64(h, 48, 1900); }), "GPT copies disagree"},
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
    for (const std::uint8_t type : std::initializer_list<std::uint8_t>{5, 15, 133, 238}) {
        cases.push_back({"MbrType" + std::to_string(type),
                         mbr(512,
                             [&](DiskImage& i) {
                                 i.mbr.push_back({type, 1600, 64});
                             }),
                         "Unsupported MBR map"});
    }
    return cases;
}

}  // namespace

namespace testing {

std::string writeMapImages(const std::filesystem::path& dir) {
    std::ostringstream list;
    for (const MapCase& c : mapCases()) {
        const DiskImage& i = c.image;
        const Bytes disk = i.build();
        const std::filesystem::path file = dir / (c.name + ".img");
        writeWholeFile(file, std::string(disk.begin(), disk.end()));
        const std::uint64_t first = i.gpt ? i.partitions[1].first : i.mbr[1].start;
        const std::uint64_t count =
            i.gpt ? i.partitions[1].second - first + 1 : std::uint64_t{i.mbr[1].sectors};
        list << file.string() << "|" << (c.sector ? c.sector : i.sector) << "|" << i.bytes() << "|"
             << i.gpt << "|" << static_cast<std::int64_t>(first * i.sector) + c.offsetShift << "|"
             << static_cast<std::int64_t>(count * i.sector) + c.lengthShift << "|" << c.expected
             << "\n";
    }
    return list.str();
}

}  // namespace testing

namespace {

int run(const std::string& command, const std::filesystem::path& out) {
    return std::system((command + " >'" + out.string() + "' 2>&1").c_str());
}

TEST(FormatScriptMap, CompilesAsCSharp5AndValidatesRawMaps) {
    if (std::system("command -v mcs >/dev/null && command -v mono >/dev/null") != 0)
        GTEST_SKIP() << "Mono's mcs and mono are not installed";
    testing::TempFolder folder;
    const std::string dir = folder.path().string() + "/";
    const std::vector<std::string> sources = testing::hereStringsOf(testing::readFormatScript());
    ASSERT_EQ(sources.size(), 2u);
    std::string files;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        testing::writeWholeFile(dir + "inline" + std::to_string(i) + ".cs", sources[i]);
        files += " '" + dir + "inline" + std::to_string(i) + ".cs'";
    }
    const std::string log = dir + "mcs.log";
    ASSERT_EQ(
        run("mcs -langversion:5 -warnaserror+ -target:library -out:'" + dir + "orvane.dll'" + files,
            log),
        0)
        << testing::readWholeFile(log);
    ASSERT_EQ(run("mcs -langversion:5 -r:'" + dir + "orvane.dll' -out:'" + dir + "harness.exe' '" +
                      (testing::sourceTree() / "tests/format/map_harness.cs").string() + "'",
                  log),
              0)
        << testing::readWholeFile(log);

    testing::writeWholeFile(dir + "cases.txt", "CRC\n" + testing::writeMapImages(dir));
    const std::string out = dir + "answers.txt";
    ASSERT_EQ(run("mono '" + dir + "harness.exe' '" + dir + "cases.txt'", out), 0)
        << testing::readWholeFile(out);
    std::istringstream answers(testing::readWholeFile(out));
    std::string answer;
    std::getline(answers, answer);
    EXPECT_EQ(answer, "CBF43926");
    for (const MapCase& c : mapCases()) {
        ASSERT_TRUE(std::getline(answers, answer)) << c.name;
        EXPECT_EQ(answer, c.expected) << c.name;
    }
    EXPECT_FALSE(std::getline(answers, answer)) << answer;
}

}  // namespace
}  // namespace orvane
