#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_encoding.h"
#include "storage/target_rules.h"

namespace orvane {
namespace {

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

std::string refusalOf(const VolumeFacts& facts) {
    try {
        volumeInfoFromFacts(facts);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "accepted";
}

TEST(TargetRules, AcceptedFactsFillTheVolumeRecord) {
    const VolumeInfo info = volumeInfoFromFacts(goodFacts());
    EXPECT_EQ(toUtf8(info.root), "E:\\");
    EXPECT_EQ(toUtf8(info.label), "MODELS");
    EXPECT_EQ(toUtf8(info.filesystem), "exFAT");
    EXPECT_EQ(toUtf8(info.type), "Removable");
    EXPECT_EQ(info.freeBytesBefore, 1000u);
    EXPECT_EQ(info.totalBytes, 2000u);
    EXPECT_EQ(info.logicalSectorBytes, 512u);
    EXPECT_EQ(info.allocationUnitBytes, 131072u);

    VolumeFacts fixed = goodFacts();
    fixed.kind = DriveKind::Fixed;
    fixed.label.clear();
    fixed.bytesPerSector = 4096;
    fixed.sectorsPerCluster = 0x100000;  // 4 GiB clusters: the product must not wrap in 32 bits
    const VolumeInfo big = volumeInfoFromFacts(fixed);
    EXPECT_EQ(toUtf8(big.type), "Fixed (may be USB/external)");
    EXPECT_TRUE(big.label.empty());
    EXPECT_EQ(big.allocationUnitBytes, 4294967296ull);
}

TEST(TargetRules, EveryVolumeKindButFixedAndRemovableIsRefused) {
    for (DriveKind kind : {DriveKind::Unknown, DriveKind::NoRootDirectory, DriveKind::Remote,
                           DriveKind::Optical, DriveKind::RamDisk}) {
        VolumeFacts facts = goodFacts();
        facts.kind = kind;
        facts.bytesPerSector = 8192;  // the kind is checked first
        EXPECT_EQ(refusalOf(facts), kLocalVolumeMessage);
    }
    VolumeFacts readOnly = goodFacts();
    readOnly.readOnly = true;
    EXPECT_EQ(refusalOf(readOnly), kReadOnlyVolumeMessage);
}

TEST(TargetRules, SectorSizesThatDivide4096Pass) {
    for (std::uint32_t sector : {512u, 1024u, 2048u, 4096u}) {
        VolumeFacts facts = goodFacts();
        facts.bytesPerSector = sector;
        EXPECT_EQ(refusalOf(facts), "accepted") << sector;
    }
    for (std::uint32_t sector : {0u, 8192u, 3000u}) {
        VolumeFacts facts = goodFacts();
        facts.bytesPerSector = sector;
        EXPECT_EQ(refusalOf(facts), kSectorSizeMessage) << sector;
    }
}

TEST(TargetRules, FolderTransformsAndDevicePaths) {
    EXPECT_NO_THROW(refuseTransformedFolder(false, false));
    EXPECT_THROW(refuseTransformedFolder(true, false), std::runtime_error);
    EXPECT_THROW(refuseTransformedFolder(false, true), std::runtime_error);
    EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8("\\\\server\\share")));
    EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8("\\\\?\\C:\\models")));
    EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8("\\\\.\\PhysicalDrive0")));
    EXPECT_TRUE(isNetworkOrDevicePath(fromUtf8("//server/share")));
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("C:\\models")));
    EXPECT_FALSE(isNetworkOrDevicePath(fromUtf8("\\")));
}

}  // namespace
}  // namespace orvane
