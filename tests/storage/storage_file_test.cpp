// The platform's own storage calls on a real folder (natively on Linux, under Wine on Windows),
// and target inspection's portable rules over made-up volume facts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "platform/random_bytes.h"
#include "platform/text_encoding.h"
#include "storage/aligned_buffer.h"
#include "storage/disk_file.h"
#include "storage/small_file.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;

// Each request carries its own offset: blocks written out of order land where they were sent.
TEST(StorageFile, RequestsLandAtTheirOffsetsAndEveryRefusalLeavesFilesAlone) {
    testing::TempFolder folder;
    const auto path = folder.path() / "workload.bin";
    AlignedBuffer out(1048576), in(1048576);  // unbuffered requests need aligned memory
    fillRandom(out.data(), out.size());
    {
        auto file = openPlatformFile(path, true);
        file->writeAt(1048576, out.data() + 8192, 4096);
        file->writeAt(0, out.data(), 1048576);
        file->flush();
    }
    auto file = openPlatformFile(path, false);
    file->readAt(1048576, in.data(), 4096);
    EXPECT_EQ(std::memcmp(in.data(), out.data() + 8192, 4096), 0);
    file->readAt(0, in.data(), 1048576);
    EXPECT_EQ(std::memcmp(in.data(), out.data(), 1048576), 0);
    EXPECT_EQ(fs::file_size(path), 1048576u + 4096u);
    EXPECT_EQ(testing::messageOf([&] { file->readAt(1048576, in.data(), 8192); }),
              "Short read: drive returned incomplete test data.");
    file.reset();

    testing::writeWholeFile(folder.path() / "mine.bin", "mine");
    EXPECT_THAT(testing::messageOf([&] { openPlatformFile(folder.path() / "mine.bin", true); }),
                StartsWith("Open uncached test file ("));
    EXPECT_EQ(testing::readWholeFile(folder.path() / "mine.bin"), "mine");
    EXPECT_THAT(testing::messageOf([&] { openPlatformFile(folder.path() / "absent.bin", false); }),
                StartsWith("Open uncached test file ("));
    EXPECT_FALSE(fs::exists(folder.path() / "absent.bin"));
}

TEST(SmallFile, CallsBackBeforeTheDataAndNeverOverwritesOrLeavesAHalfFile) {
    testing::TempFolder folder;
    const auto path = folder.path() / "small.bin";
    const std::string payload(16384, 's');
    bool emptyAtCallback = false;
    writeSmallFile(path, payload.data(), payload.size(),
                   [&] { emptyAtCallback = fs::exists(path) && fs::file_size(path) == 0; });
    EXPECT_TRUE(emptyAtCallback);
    EXPECT_EQ(testing::readWholeFile(path), payload);

    bool called = false;
    EXPECT_THAT(testing::messageOf([&] { writeSmallFile(path, "x", 1, [&] { called = true; }); }),
                StartsWith("Create small file ("));
    EXPECT_FALSE(called);
    EXPECT_EQ(testing::readWholeFile(path), payload);

    // A throwing callback removes the new file and rethrows the same exception.
    struct Marker : std::runtime_error {
        Marker() : std::runtime_error("marker") {}
    };
    const auto thrown = folder.path() / "thrown.bin";
    EXPECT_THROW(writeSmallFile(thrown, payload.data(), 1, [] { throw Marker(); }), Marker);
    EXPECT_FALSE(fs::exists(thrown));
}

TEST(TargetInspection, MissingFoldersAndFilesAreRefusedAndARealOneHasItsFacts) {
    testing::TempFolder folder;
    testing::writeWholeFile(folder.path() / "file.txt", "x");
    for (const char* name : {"missing", "missing/deeper", "file.txt", "file.txt/below"}) {
        EXPECT_EQ(testing::messageOf([&] { inspectTarget(folder.path() / name); }),
                  kChooseExistingFolderMessage)
            << name;
    }
    EXPECT_FALSE(fs::exists(folder.path() / "missing"));
    VolumeInfo info;
    try {
        info = inspectTarget(folder.path());
    } catch (const std::exception& error) {
        GTEST_SKIP() << "the temporary folder is not benchmarkable here: " << error.what();
    }
    EXPECT_GT(info.totalBytes, 0u);
    EXPECT_LE(info.freeBytesBefore, info.totalBytes);
    EXPECT_EQ(4096 % info.logicalSectorBytes, 0u);
    EXPECT_EQ(info.allocationUnitBytes % info.logicalSectorBytes, 0u);
    // A relative path is made absolute first and reaches the same volume.
    const auto previous = fs::current_path();
    fs::current_path(folder.path());
    const VolumeInfo relative = inspectTarget(".");
    fs::current_path(previous);
    EXPECT_EQ(relative.root, info.root);
}

VolumeFacts goodFacts() {
    VolumeFacts facts;
    facts.root = fromUtf8("E:\\");
    facts.label = fromUtf8("MODELS");
    facts.filesystem = fromUtf8("exFAT");
    facts.kind = DriveKind::Removable;
    facts.freeBytes = 1000;
    facts.totalBytes = 2000;
    facts.bytesPerSector = 512;
    facts.sectorsPerCluster = 256;
    return facts;
}

TEST(TargetRules, AcceptedFactsFillTheRecordAndEachRefusalHasItsMessage) {
    const VolumeInfo info = volumeInfoFromFacts(goodFacts());
    EXPECT_EQ(toUtf8(info.root + info.label + info.filesystem + info.type),
              "E:\\MODELSexFATRemovable");
    EXPECT_EQ(info.freeBytesBefore + info.totalBytes, 3000u);
    EXPECT_EQ(info.logicalSectorBytes, 512u);
    EXPECT_EQ(info.allocationUnitBytes, 131072u);
    VolumeFacts fixed = goodFacts();
    fixed.kind = DriveKind::Fixed;
    fixed.bytesPerSector = 4096;
    fixed.sectorsPerCluster = 0x100000;  // 4 GiB clusters: the product must not wrap in 32 bits
    EXPECT_EQ(toUtf8(volumeInfoFromFacts(fixed).type), "Fixed (may be USB/external)");
    EXPECT_EQ(volumeInfoFromFacts(fixed).allocationUnitBytes, 4294967296ull);

    const auto refusal = [](const std::function<void(VolumeFacts&)>& change) {
        VolumeFacts facts = goodFacts();
        change(facts);
        return testing::messageOf([&] { volumeInfoFromFacts(facts); });
    };
    for (DriveKind kind : {DriveKind::Unknown, DriveKind::NoRootDirectory, DriveKind::Remote,
                           DriveKind::Optical, DriveKind::RamDisk}) {
        // The kind is checked before the sector.
        EXPECT_EQ(refusal([&](VolumeFacts& f) { f.kind = kind, f.bytesPerSector = 8192; }),
                  kLocalVolumeMessage);
    }
    EXPECT_EQ(refusal([](VolumeFacts& f) { f.readOnly = true; }), kReadOnlyVolumeMessage);
    for (std::uint32_t sector : {1024u, 2048u, 0u, 8192u, 3000u}) {
        EXPECT_EQ(refusal([&](VolumeFacts& f) { f.bytesPerSector = sector; }),
                  sector && 4096 % sector == 0 ? "accepted" : kSectorSizeMessage)
            << sector;
    }
    EXPECT_NO_THROW(refuseTransformedFolder(false, false));
    EXPECT_THROW(refuseTransformedFolder(true, false), std::runtime_error);
    EXPECT_THROW(refuseTransformedFolder(false, true), std::runtime_error);
    for (const char* path : {"\\\\server\\share", "\\\\?\\C:\\m", "\\\\.\\PhysicalDrive0", "//s/x"})
        EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8(path))) << path;
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("C:\\models")));
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("\\")));
}

}  // namespace
}  // namespace orvane
