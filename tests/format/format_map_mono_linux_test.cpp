// The script's C# compiled as Windows PowerShell 5.1's Add-Type would (C# 5), and its raw
// partition map validation run with Mono against disk images with exactly one fault each.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/format/map_images.h"
#include "tests/format/script_source.h"
#include "tests/support/byte_builder.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::put32;
using testing::put64;

std::uint32_t crc32(const Bytes& b, std::size_t at, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = at; i < at + n; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

struct MbrEntry {
    std::uint8_t type = 0x07;
    std::uint32_t start = 0;
    std::uint32_t sectors = 0;
    std::uint8_t status = 0;
};

struct GptEntry {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};

// One disk image; the hooks put a single fault in before or after the checksums are made.
struct Image {
    std::uint32_t sector = 512;
    std::uint64_t sectors = 2048;
    bool gpt = false;
    std::vector<MbrEntry> mbr;
    std::vector<GptEntry> partitions;
    std::uint32_t entryCount = 128;
    std::function<void(Bytes&, Image&)> beforeSums;
    std::function<void(Bytes&, const Image&)> afterSums;
    std::function<void(Bytes& header, Bytes& table, bool primary)> headerFault;  // then re-summed
    std::uint64_t reviewedOffset = 0;
    std::uint64_t reviewedLength = 0;
    std::uint64_t truncateTo = 0;

    std::uint64_t bytes() const { return sectors * sector; }
    std::uint64_t tableSectors() const { return (entryCount * 128ull + sector - 1) / sector; }
    std::uint64_t firstUsable() const { return 2 + tableSectors(); }
    std::uint64_t lastUsable() const { return sectors - 2 - tableSectors(); }
};

Bytes gptHeader(const Image& image, bool primary, const Bytes& table, Image* faults) {
    const std::uint64_t last = image.sectors - 1;
    Bytes h(image.sector, 0);
    const std::string signature = "EFI PART";
    for (std::size_t i = 0; i < 8; ++i)
        h[i] = static_cast<std::uint8_t>(signature[i]);
    put32(h, 8, 0x00010000);
    put32(h, 12, 92);
    put64(h, 24, primary ? 1 : last);
    put64(h, 32, primary ? last : 1);
    put64(h, 40, image.firstUsable());
    put64(h, 48, image.lastUsable());
    for (std::size_t i = 56; i < 72; ++i)
        h[i] = static_cast<std::uint8_t>(0xA0 + i);
    put64(h, 72, primary ? 2 : last - image.tableSectors());
    put32(h, 80, image.entryCount);
    put32(h, 84, 128);
    Bytes sumTable = table;
    if (faults && faults->headerFault)
        faults->headerFault(h, sumTable, primary);
    put32(h, 88, crc32(sumTable, 0, sumTable.size()));
    const std::uint32_t size =
        h[12] | std::uint32_t{h[13]} << 8 | std::uint32_t{h[14]} << 16 | std::uint32_t{h[15]} << 24;
    put32(h, 16, crc32(h, 0, std::min<std::size_t>(size, h.size())));
    return h;
}

Bytes build(Image image) {
    Bytes disk(image.bytes(), 0);
    disk[510] = 0x55;
    disk[511] = 0xAA;
    if (image.gpt) {
        disk[446 + 4] = 0xEE;
        put32(disk, 446 + 8, 1);
        put32(disk, 446 + 12, static_cast<std::uint32_t>(image.sectors - 1));
    }
    for (std::size_t i = 0; i < image.mbr.size(); ++i) {
        const std::size_t at = 446 + 16 * i;
        disk[at] = image.mbr[i].status;
        disk[at + 4] = image.mbr[i].type;
        put32(disk, at + 8, image.mbr[i].start);
        put32(disk, at + 12, image.mbr[i].sectors);
    }
    if (image.beforeSums)
        image.beforeSums(disk, image);
    if (image.gpt) {
        Bytes table(image.entryCount * 128ull, 0);
        for (std::size_t i = 0; i < image.partitions.size(); ++i) {
            table[i * 128] = 0xA2;  // a non-zero type GUID
            table[i * 128 + 16] = static_cast<std::uint8_t>(i + 1);
            put64(table, i * 128 + 32, image.partitions[i].first);
            put64(table, i * 128 + 40, image.partitions[i].last);
        }
        const std::uint64_t last = image.sectors - 1;
        for (const bool primary : {true, false}) {
            Bytes copy = table;
            const Bytes header = gptHeader(image, primary, copy, &image);
            const std::uint64_t arrayLba = primary ? 2 : last - image.tableSectors();
            std::copy(copy.begin(), copy.end(),
                      disk.begin() + static_cast<std::ptrdiff_t>(arrayLba * image.sector));
            std::copy(
                header.begin(), header.end(),
                disk.begin() + static_cast<std::ptrdiff_t>((primary ? 1 : last) * image.sector));
        }
    }
    if (image.afterSums)
        image.afterSums(disk, image);
    if (image.truncateTo)
        disk.resize(image.truncateTo);
    return disk;
}

Image validMbr(std::uint32_t sector) {
    Image image;
    image.sector = sector;
    image.sectors = 2048;
    image.mbr = {{0x0C, 64, 512}, {0x07, 576, 1024}};
    image.reviewedOffset = 576ull * sector;
    image.reviewedLength = 1024ull * sector;
    return image;
}

Image validGpt(std::uint32_t sector) {
    Image image;
    image.sector = sector;
    image.sectors = sector == 512 ? 2048 : 512;
    image.gpt = true;
    const std::uint64_t first = image.firstUsable();
    image.partitions = {{first, first + 7}, {first + 8, image.lastUsable()}};
    image.reviewedOffset = (first + 8) * sector;
    image.reviewedLength = (image.lastUsable() - first - 8 + 1) * sector;
    return image;
}

struct MapCase {
    std::string name;
    Image image;
    std::string expected;
    std::uint32_t sectorOverride = 0;
};

std::vector<MapCase> mapCases() {
    std::vector<MapCase> cases;
    for (std::uint32_t sector : {512u, 4096u}) {
        const std::string size = std::to_string(sector);
        cases.push_back({"ValidMbr" + size, validMbr(sector), "OK"});
        cases.push_back({"ValidGpt" + size, validGpt(sector), "OK"});
    }
    Image headerIsSector = validGpt(512);
    headerIsSector.headerFault = [](Bytes& h, Bytes&, bool) { put32(h, 12, 512); };
    cases.push_back({"GptHeaderSizeIsSector", headerIsSector, "OK"});
    Image fewEntries = validGpt(4096);
    fewEntries.entryCount = 4;  // a table shorter than a sector is read in whole sectors
    cases.push_back({"GptFourEntries", fewEntries, "OK"});

    cases.push_back({"SectorTooLarge", validMbr(512), "Unsupported geometry", 8192});
    Image shortImage = validGpt(512);
    shortImage.truncateTo = 2047 * 512;
    cases.push_back({"ImageShorterThanTheDisk", shortImage, "Short map read"});
    Image oddLength = validMbr(512);
    oddLength.sectors = 2047;
    cases.push_back({"SectorOf1000", oddLength, "Unsupported geometry", 1000});

    for (const bool gpt : {false, true}) {
        Image noSignature = gpt ? validGpt(512) : validMbr(512);
        noSignature.afterSums = [](Bytes& d, const Image&) { d[511] = 0; };
        cases.push_back(
            {gpt ? "GptMbrSignature" : "MbrSignature", noSignature, "Invalid MBR signature"});
    }
    for (const std::uint8_t type : std::initializer_list<std::uint8_t>{5, 15, 133, 238}) {
        Image image = validMbr(512);
        image.mbr.push_back({type, 1600, 64});
        cases.push_back({"MbrType" + std::to_string(type), image, "Unsupported MBR map"});
    }
    Image active = validMbr(512);
    active.mbr[1].status = 0x80;
    cases.push_back({"MbrActive", active, "Unsupported MBR map"});
    Image malformed = validMbr(512);
    malformed.mbr.push_back({0x00, 1700, 0});
    cases.push_back({"MbrEmptyEntryWithStart", malformed, "Malformed MBR entry"});
    Image pastEnd = validMbr(512);
    pastEnd.mbr.push_back({0x07, 1700, 349});
    cases.push_back({"MbrPastDiskEnd", pastEnd, "MBR bounds"});
    Image touchingEnd = validMbr(512);
    touchingEnd.mbr.push_back({0x07, 1700, 348});
    cases.push_back({"MbrEndingAtDiskEnd", touchingEnd, "OK"});
    Image atZero = validMbr(512);
    atZero.mbr[0].start = 0;
    cases.push_back({"MbrAtSectorZero", atZero, "MBR bounds"});
    Image overlap = validMbr(512);
    overlap.mbr[0].sectors = 513;
    cases.push_back({"MbrOverlap", overlap, "MBR overlap"});
    Image elsewhere = validMbr(4096);
    elsewhere.reviewedLength -= 4096;
    cases.push_back(
        {"MbrReviewedPartitionMissing", elsewhere, "Raw partition differs from review"});

    Image noProtective = validGpt(512);
    noProtective.afterSums = [](Bytes& d, const Image&) { d[450] = 0x07; };
    cases.push_back({"GptWithoutProtectiveMbr", noProtective, "Missing protective MBR"});
    Image hybrid = validGpt(512);
    hybrid.mbr = {{0xEE, 1, 2047}, {0x07, 64, 8}};
    cases.push_back({"HybridMbr", hybrid, "Hybrid MBR refused"});
    Image noBackup = validGpt(512);
    noBackup.afterSums = [](Bytes& d, const Image& i) { d[(i.sectors - 1) * i.sector] = 'X'; };
    cases.push_back({"GptBackupSignature", noBackup, "GPT signature"});

    const auto headerCase = [&](const std::string& name, std::uint32_t sector,
                                std::function<void(Bytes&, Bytes&, bool)> fault,
                                const std::string& expected) {
        Image image = validGpt(sector);
        image.headerFault = std::move(fault);
        cases.push_back({name, image, expected});
    };
    headerCase(
        "GptHeaderSize91", 512, [](Bytes& h, Bytes&, bool) { put32(h, 12, 91); },
        "GPT header bounds");
    headerCase(
        "GptHeaderSizeAboveSector", 512, [](Bytes& h, Bytes&, bool) { put32(h, 12, 513); },
        "GPT header bounds");
    headerCase(
        "GptHeaderOwnLba", 512,
        [](Bytes& h, Bytes&, bool p) {
            if (p)
                put64(h, 24, 2);
        },
        "GPT header bounds");
    headerCase(
        "GptAlternateLba", 4096,
        [](Bytes& h, Bytes&, bool p) {
            if (!p)
                put64(h, 32, 2);
        },
        "GPT header bounds");
    headerCase(
        "GptFirstUsableTooLow", 512, [](Bytes& h, Bytes&, bool) { put64(h, 40, 1); },
        "GPT table bounds");
    headerCase(
        "GptEntrySize", 512, [](Bytes& h, Bytes&, bool) { put32(h, 84, 256); }, "GPT table bounds");
    headerCase(
        "GptEntryCount129", 512, [](Bytes& h, Bytes&, bool) { put32(h, 80, 129); },
        "GPT table bounds");
    headerCase(
        "GptArrayBeyondDisk", 4096,
        [](Bytes& h, Bytes&, bool p) {
            if (!p)
                put64(h, 72, 510);
        },
        "GPT table bounds");
    headerCase(
        "GptBackupUsableRangeDiffers", 512,
        [](Bytes& h, Bytes&, bool p) {
            if (!p)
                put64(h, 48, 1900);
        },
        "GPT copies disagree");
    headerCase(
        "GptBackupDiskGuidDiffers", 512,
        [](Bytes& h, Bytes&, bool p) {
            if (!p)
                h[60] ^= 1;
        },
        "GPT copies disagree");

    Image badHeaderCrc = validGpt(512);
    badHeaderCrc.afterSums = [](Bytes& d, const Image& i) { d[i.sector + 16] ^= 1; };
    cases.push_back({"GptHeaderCrc", badHeaderCrc, "GPT header CRC"});
    Image badTableCrc = validGpt(4096);
    badTableCrc.afterSums = [](Bytes& d, const Image& i) { d[2 * i.sector + 100] ^= 1; };
    cases.push_back({"GptTableCrc", badTableCrc, "GPT table CRC"});
    // The backup table and its checksum agree with each other but not with the primary.
    Image staleBackup = validGpt(512);
    staleBackup.headerFault = [](Bytes&, Bytes& table, bool p) {
        if (!p)
            table[16] ^= 0x40;
    };
    staleBackup.afterSums = [](Bytes& d, const Image& i) {
        d[(i.sectors - 1 - i.tableSectors()) * i.sector + 16] ^= 0x40;
    };
    cases.push_back({"GptCopiesDisagree", staleBackup, "GPT copies disagree"});

    Image belowUsable = validGpt(512);
    belowUsable.partitions[0].first = belowUsable.firstUsable() - 1;
    cases.push_back({"GptPartitionBelowUsable", belowUsable, "GPT partition bounds"});
    Image reversed = validGpt(4096);
    reversed.partitions[0] = {reversed.firstUsable() + 5, reversed.firstUsable() + 4};
    cases.push_back({"GptPartitionReversed", reversed, "GPT partition bounds"});
    Image gptOverlap = validGpt(512);
    gptOverlap.partitions[0].last = gptOverlap.partitions[1].first;
    cases.push_back({"GptOverlap", gptOverlap, "GPT overlap"});
    Image gptElsewhere = validGpt(512);
    gptElsewhere.reviewedOffset += 512;
    cases.push_back({"GptReviewedPartitionMissing", gptElsewhere, "Raw GPT differs from review"});
    return cases;
}

}  // namespace

namespace testing {

std::string writeMapImages(const std::filesystem::path& dir) {
    std::string list;
    for (const MapCase& c : mapCases()) {
        const Bytes disk = build(c.image);
        const std::filesystem::path file = dir / (c.name + ".img");
        writeWholeFile(file, std::string(disk.begin(), disk.end()));
        const std::uint32_t sector = c.sectorOverride ? c.sectorOverride : c.image.sector;
        list += file.string() + "|" + std::to_string(sector) + "|" +
                std::to_string(c.image.bytes()) + "|" + (c.image.gpt ? "1" : "0") + "|" +
                std::to_string(c.image.reviewedOffset) + "|" +
                std::to_string(c.image.reviewedLength) + "|" + c.expected + "\n";
    }
    return list;
}

}  // namespace testing

namespace {

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(FormatScriptMap, CompilesAsCSharp5AndValidatesRawMaps) {
    if (!have("mcs") || !have("mono"))
        GTEST_SKIP() << "Mono's mcs and mono are not installed";
    testing::TempFolder folder;
    const std::filesystem::path dir = folder.path();

    const std::vector<std::string> sources = testing::hereStringsOf(testing::readFormatScript());
    ASSERT_EQ(sources.size(), 2u);
    std::string files;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::filesystem::path file = dir / ("inline" + std::to_string(i) + ".cs");
        testing::writeWholeFile(file, sources[i]);
        files += " " + quoted(file);
    }
    const std::filesystem::path log = dir / "mcs.log";
    ASSERT_EQ(run("mcs -langversion:5 -warnaserror+ -target:library -out:" +
                  quoted(dir / "orvane.dll") + files + " >" + quoted(log) + " 2>&1"),
              0)
        << testing::readWholeFile(log);
    const std::filesystem::path harness =
        testing::sourceTree() / "tests" / "format" / "map_harness.cs";
    ASSERT_EQ(run("mcs -langversion:5 -r:" + quoted(dir / "orvane.dll") +
                  " -out:" + quoted(dir / "harness.exe") + " " + quoted(harness) + " >" +
                  quoted(log) + " 2>&1"),
              0)
        << testing::readWholeFile(log);

    const std::vector<MapCase> cases = mapCases();
    testing::writeWholeFile(dir / "cases.txt", "CRC\n" + testing::writeMapImages(dir));
    const std::filesystem::path out = dir / "answers.txt";
    ASSERT_EQ(run("mono " + quoted(dir / "harness.exe") + " " + quoted(dir / "cases.txt") + " >" +
                  quoted(out) + " 2>&1"),
              0)
        << testing::readWholeFile(out);

    std::vector<std::string> answers;
    const std::string text = testing::readWholeFile(out);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        answers.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    ASSERT_EQ(answers.size(), cases.size() + 1) << text;
    EXPECT_EQ(answers[0], "CBF43926");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(answers[i + 1], cases[i].expected) << cases[i].name;
    }
}

}  // namespace
}  // namespace orvane
