#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "tests/support/byte_builder.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::put32;
using testing::put64;
using testing::putGuid;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kDiskBytes = 64000 * kMiB;
constexpr std::uint64_t kTargetOffset = 16 * kMiB;
constexpr std::uint64_t kTargetLength = 32000 * kMiB;
constexpr std::uint32_t kDisk = 3;

const char* const kTargetVolume = "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
const char* const kSystemVolume = "\\\\?\\Volume{11111111-2222-3333-4444-555555555555}\\";
const Guid kPartitionGuid{
    0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
const Guid kDiskGuid{0xFEDCBA98, 0x7654, 0x3210, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};

// A storage device descriptor as the property query returns it, serial text after the header.
Bytes descriptorBytes(std::uint32_t busType, const std::string& serial, bool terminated = true) {
    const std::size_t header = disk_layout::kDescriptorBytes;
    const std::size_t tail = serial.empty() ? 0 : serial.size() + (terminated ? 1 : 0);
    Bytes bytes(header + tail, 0);
    put32(bytes, disk_layout::kDescriptorBusTypeAt, busType);
    if (!serial.empty()) {
        put32(bytes, disk_layout::kDescriptorSerialOffsetAt, static_cast<std::uint32_t>(header));
        for (std::size_t i = 0; i < serial.size(); ++i) {
            bytes[header + i] = static_cast<std::uint8_t>(serial[i]);
        }
    }
    return bytes;
}

struct Entry {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint8_t mbrType = 0x07;
};

Bytes layoutBytes(std::uint32_t style, const std::vector<Entry>& entries) {
    Bytes bytes(
        disk_layout::kLayoutHeaderBytes + entries.size() * disk_layout::kPartitionEntryBytes, 0);
    put32(bytes, disk_layout::kLayoutStyleAt, style);
    put32(bytes, disk_layout::kLayoutCountAt, static_cast<std::uint32_t>(entries.size()));
    if (style == kPartitionStyleGpt) {
        putGuid(bytes, disk_layout::kLayoutDiskIdAt, kDiskGuid);
    } else {
        put32(bytes, disk_layout::kLayoutSignatureAt, 0x12345678);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at =
            disk_layout::kLayoutHeaderBytes + i * disk_layout::kPartitionEntryBytes;
        put32(bytes, at, style);
        put64(bytes, at + disk_layout::kPartitionOffsetAt, entries[i].offset);
        put64(bytes, at + disk_layout::kPartitionLengthAt, entries[i].length);
        if (style == kPartitionStyleMbr)
            bytes[at + disk_layout::kPartitionMbrTypeAt] = entries[i].mbrType;
    }
    return bytes;
}

struct Case {
    VolumeInfo volume;
    FormatSnapshot snapshot;
};

Case acceptedMbr() {
    Case c;
    c.volume.root = fromUtf8("F:\\");
    c.volume.label = fromUtf8("CARD");
    c.volume.filesystem = fromUtf8("FAT32");
    c.volume.totalBytes = kTargetLength - kMiB;
    FormatSnapshot& s = c.snapshot;
    s.volumePath = fromUtf8(kTargetVolume);
    s.windowsDirectory = fromUtf8("C:\\Windows");
    s.programPath = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");
    s.windowsVolumePath = fromUtf8(kSystemVolume);
    s.programVolumePath = fromUtf8(kSystemVolume);
    s.volumeInformation = VolumeSerialFacts{0xDEADBEEF, 0x2};
    s.volumeDeviceOpened = true;
    s.storageDescriptor = descriptorBytes(kBusUsb, "  4C530001230517117073 ");
    s.deviceNumber = kDisk;
    s.diskExtent = DiskExtentFacts{1, kDisk, kTargetOffset, kTargetLength};
    PartitionFacts partition;
    partition.style = kPartitionStyleMbr;
    partition.offset = kTargetOffset;
    partition.length = kTargetLength;
    partition.number = 1;
    partition.mbrType = 0x07;
    s.partition = partition;
    s.windowsDiskNumber = 0;
    s.programDiskNumber = 1;
    s.physicalDriveOpened = true;
    s.diskAttributes = 0;
    s.diskLength = kDiskBytes;
    s.driveLayout =
        layoutBytes(kPartitionStyleMbr, {{kTargetOffset, kTargetLength, 0x07}, {}, {}, {}});
    return c;
}

Case acceptedGpt() {
    Case c = acceptedMbr();
    FormatSnapshot& s = c.snapshot;
    s.storageDescriptor = descriptorBytes(kBusSd, "0x1f2e3d4c");
    s.partition->style = kPartitionStyleGpt;
    s.partition->number = 2;
    s.partition->gptType = kBasicDataPartition;
    s.partition->gptId = kPartitionGuid;
    s.driveLayout =
        layoutBytes(kPartitionStyleGpt, {{kMiB, 15 * kMiB}, {kTargetOffset, kTargetLength}});
    return c;
}

std::string outcomeOf(const Case& c) {
    try {
        reviewFormatSnapshot(c.volume, c.snapshot);
    } catch (const std::runtime_error& refusal) {
        return refusal.what();
    }
    return "accepted";
}

TEST(FormatReview, AcceptedMbrTargetCarriesItsIdentity) {
    const Case c = acceptedMbr();
    const FormatTarget target = reviewFormatSnapshot(c.volume, c.snapshot);
    EXPECT_EQ(toUtf8(target.volume.root), "F:\\");
    EXPECT_EQ(toUtf8(target.volume.label), "CARD");
    EXPECT_EQ(toUtf8(target.volumePath), kTargetVolume);
    EXPECT_EQ(target.volumeSerial, 0xDEADBEEFu);
    EXPECT_EQ(target.diskNumber, kDisk);
    EXPECT_EQ(target.busType, kBusUsb);
    EXPECT_EQ(toUtf8(target.deviceSerial), "  4C530001230517117073 ");
    EXPECT_TRUE(target.partitionId.empty());
    EXPECT_EQ(toUtf8(target.diskId), "305419896");
    EXPECT_EQ(target.partitionOffset, kTargetOffset);
    EXPECT_EQ(target.partitionLength, kTargetLength);
    EXPECT_EQ(target.diskBytes, kDiskBytes);
    EXPECT_EQ(target.partitionNumber, 1u);
    EXPECT_EQ(target.partitionStyle, kPartitionStyleMbr);
}

TEST(FormatReview, AcceptedGptTargetCarriesGuidTexts) {
    const Case c = acceptedGpt();
    const FormatTarget target = reviewFormatSnapshot(c.volume, c.snapshot);
    EXPECT_EQ(toUtf8(target.partitionId), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
    EXPECT_EQ(toUtf8(target.diskId), "{FEDCBA98-7654-3210-FEDC-BA9876543210}");
    EXPECT_EQ(target.busType, kBusSd);
    EXPECT_EQ(toUtf8(target.deviceSerial), "0x1f2e3d4c");
    EXPECT_EQ(target.partitionNumber, 2u);
    EXPECT_EQ(target.partitionStyle, kPartitionStyleGpt);
}

TEST(FormatReview, OtherAcceptedShapes) {
    Case lowerCase = acceptedMbr();
    lowerCase.volume.root = fromUtf8("f:\\");
    EXPECT_EQ(toUtf8(reviewFormatSnapshot(lowerCase.volume, lowerCase.snapshot).volume.root),
              "F:\\");

    for (const std::uint8_t type : std::initializer_list<std::uint8_t>{0x0B, 0x0C}) {
        Case c = acceptedMbr();
        c.snapshot.partition->mbrType = type;
        EXPECT_EQ(outcomeOf(c), "accepted") << int{type};
    }
    Case mmc = acceptedMbr();
    mmc.snapshot.storageDescriptor = descriptorBytes(kBusMmc, "MMC1");
    EXPECT_EQ(outcomeOf(mmc), "accepted");

    // One ends where the next begins; empty slots and type-0 MBR entries are skipped.
    Case touching = acceptedMbr();
    touching.snapshot.driveLayout =
        layoutBytes(kPartitionStyleMbr, {{kMiB, kTargetOffset - kMiB},
                                         {kTargetOffset, kTargetLength},
                                         {kTargetOffset + kTargetLength, kMiB},
                                         {kMiB, kMiB, 0x00}});
    EXPECT_EQ(outcomeOf(touching), "accepted");

    Case utf8 = acceptedMbr();
    utf8.snapshot.storageDescriptor = descriptorBytes(kBusUsb, "K\xC3\xA4se-01");
    EXPECT_EQ(toUtf8(reviewFormatSnapshot(utf8.volume, utf8.snapshot).deviceSerial),
              "K\xC3\xA4se-01");
}

struct Refusal {
    const char* name;
    Case (*base)();
    std::function<void(Case&)> change;
    const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class FormatReviewRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(FormatReviewRefusal, RefusesWithItsMessage) {
    Case c = GetParam().base();
    GetParam().change(c);
    EXPECT_EQ(outcomeOf(c), GetParam().message);
}

// Each snapshot breaks exactly one rule of an otherwise accepted target.
const Refusal kRefusals[] = {
    {"MountedFolderRoot", acceptedMbr, [](Case& c) { c.volume.root = fromUtf8("F:\\Cards\\A\\"); },
     format_refusal::kDriveLetter},
    {"RootWithoutBackslash", acceptedMbr, [](Case& c) { c.volume.root = fromUtf8("F:/"); },
     format_refusal::kDriveLetter},
    {"NoVolumeGuidPath", acceptedMbr, [](Case& c) { c.snapshot.volumePath.reset(); },
     format_refusal::kStableIdentity},
    {"GuidPathWithoutBackslash", acceptedMbr, [](Case& c) { c.snapshot.volumePath->pop_back(); },
     format_refusal::kVolumeIdentifier},
    {"GuidPathWithNonHexDigit", acceptedMbr, [](Case& c) { (*c.snapshot.volumePath)[12] = 'g'; },
     format_refusal::kVolumeIdentifier},
    {"NoWindowsDirectory", acceptedMbr, [](Case& c) { c.snapshot.windowsDirectory.reset(); },
     format_refusal::kProtectedVolumes},
    {"NoProgramPath", acceptedMbr, [](Case& c) { c.snapshot.programPath.reset(); },
     format_refusal::kProtectedVolumes},
    {"WindowsVolumeUnknown", acceptedMbr, [](Case& c) { c.snapshot.windowsVolumePath.reset(); },
     format_refusal::kStableIdentity},
    {"ProgramVolumeUnknown", acceptedMbr, [](Case& c) { c.snapshot.programVolumePath.reset(); },
     format_refusal::kStableIdentity},
    {"WindowsVolumeInOtherCase", acceptedMbr,
     [](Case& c) {
         c.snapshot.windowsVolumePath =
             fromUtf8("\\\\?\\VOLUME{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\\");
     },
     format_refusal::kWindowsVolume},
    {"WindowsAndProgramVolumeNameWindows", acceptedMbr,
     [](Case& c) {
         c.snapshot.windowsVolumePath = c.snapshot.programVolumePath = fromUtf8(kTargetVolume);
     },
     format_refusal::kWindowsVolume},
    {"ProgramVolume", acceptedMbr,
     [](Case& c) { c.snapshot.programVolumePath = fromUtf8(kTargetVolume); },
     format_refusal::kProgramVolume},
    {"NoVolumeSerial", acceptedMbr, [](Case& c) { c.snapshot.volumeInformation.reset(); },
     format_refusal::kVolumeSerial},
    {"ReadOnlyVolume", acceptedMbr, [](Case& c) { c.snapshot.volumeInformation->flags |= 0x80000; },
     format_refusal::kReadOnly},
    {"VolumeDeviceNotOpened", acceptedMbr, [](Case& c) { c.snapshot.volumeDeviceOpened = false; },
     format_refusal::kStorageBus},
    {"PropertyQueryFailed", acceptedMbr, [](Case& c) { c.snapshot.storageDescriptor.reset(); },
     format_refusal::kDiskIdentity},
    {"PropertyQueryShort", acceptedMbr, [](Case& c) { c.snapshot.storageDescriptor->resize(39); },
     format_refusal::kDiskIdentity},
    {"DeviceNumberFailed", acceptedMbr, [](Case& c) { c.snapshot.deviceNumber.reset(); },
     format_refusal::kDiskIdentity},
    {"ExtentsFailed", acceptedMbr, [](Case& c) { c.snapshot.diskExtent.reset(); },
     format_refusal::kDiskIdentity},
    {"TwoExtents", acceptedMbr, [](Case& c) { c.snapshot.diskExtent->extentCount = 2; },
     format_refusal::kDiskIdentity},
    {"PartitionInfoFailed", acceptedMbr, [](Case& c) { c.snapshot.partition.reset(); },
     format_refusal::kDiskIdentity},
    {"ExtentOnAnotherDisk", acceptedMbr, [](Case& c) { c.snapshot.diskExtent->diskNumber = 4; },
     format_refusal::kDiskIdentity},
    {"PartitionNumberZero", acceptedMbr, [](Case& c) { c.snapshot.partition->number = 0; },
     format_refusal::kDiskIdentity},
    {"ExtentAtZero", acceptedMbr,
     [](Case& c) { c.snapshot.diskExtent->offset = c.snapshot.partition->offset = 0; },
     format_refusal::kDiskIdentity},
    {"ExtentEmpty", acceptedMbr,
     [](Case& c) { c.snapshot.diskExtent->length = c.snapshot.partition->length = 0; },
     format_refusal::kDiskIdentity},
    {"PartitionStartDiffers", acceptedMbr, [](Case& c) { c.snapshot.partition->offset += 512; },
     format_refusal::kDiskIdentity},
    {"PartitionLengthDiffers", acceptedMbr, [](Case& c) { c.snapshot.partition->length -= 512; },
     format_refusal::kDiskIdentity},
    {"RawStyle", acceptedMbr, [](Case& c) { c.snapshot.partition->style = 2; },
     format_refusal::kDiskIdentity},
    {"MbrActive", acceptedMbr, [](Case& c) { c.snapshot.partition->bootIndicator = true; },
     format_refusal::kDiskIdentity},
    {"MbrType08", acceptedMbr, [](Case& c) { c.snapshot.partition->mbrType = 0x08; },
     format_refusal::kDiskIdentity},
    {"MbrTypeLinux", acceptedMbr, [](Case& c) { c.snapshot.partition->mbrType = 0x83; },
     format_refusal::kDiskIdentity},
    {"GptNotBasicData", acceptedGpt, [](Case& c) { c.snapshot.partition->gptType.data4[7] ^= 1; },
     format_refusal::kDiskIdentity},
    {"GptZeroPartitionId", acceptedGpt, [](Case& c) { c.snapshot.partition->gptId = Guid{}; },
     format_refusal::kDiskIdentity},
    {"GptPlatformRequired", acceptedGpt,
     [](Case& c) { c.snapshot.partition->gptAttributes = 1ull; }, format_refusal::kDiskIdentity},
    {"GptReadOnly", acceptedGpt, [](Case& c) { c.snapshot.partition->gptAttributes = 1ull << 60; },
     format_refusal::kDiskIdentity},
    {"GptHidden", acceptedGpt, [](Case& c) { c.snapshot.partition->gptAttributes = 1ull << 62; },
     format_refusal::kDiskIdentity},
    {"GptNoDriveLetter", acceptedGpt,
     [](Case& c) { c.snapshot.partition->gptAttributes = 1ull << 63; },
     format_refusal::kDiskIdentity},
    {"NoSerial", acceptedMbr,
     [](Case& c) { c.snapshot.storageDescriptor = descriptorBytes(kBusUsb, ""); },
     format_refusal::kDeviceSerial},
    {"SerialOfBlanks", acceptedMbr,
     [](Case& c) { c.snapshot.storageDescriptor = descriptorBytes(kBusUsb, " \t\r\n "); },
     format_refusal::kDeviceSerial},
    {"SerialWithoutTerminator", acceptedMbr,
     [](Case& c) { c.snapshot.storageDescriptor = descriptorBytes(kBusUsb, "ABC123", false); },
     format_refusal::kDeviceSerial},
    {"SerialOffsetPastReturnedBytes", acceptedMbr,
     [](Case& c) {
         put32(*c.snapshot.storageDescriptor, disk_layout::kDescriptorSerialOffsetAt,
               static_cast<std::uint32_t>(c.snapshot.storageDescriptor->size()));
     },
     format_refusal::kDeviceSerial},
    {"WindowsDisk", acceptedMbr, [](Case& c) { c.snapshot.windowsDiskNumber = kDisk; },
     format_refusal::kProtectedDisk},
    {"ProgramDisk", acceptedMbr, [](Case& c) { c.snapshot.programDiskNumber = kDisk; },
     format_refusal::kProtectedDisk},
    {"WindowsDiskUnknown", acceptedMbr, [](Case& c) { c.snapshot.windowsDiskNumber.reset(); },
     format_refusal::kProtectedDiskUnknown},
    {"ProgramDiskUnknown", acceptedMbr, [](Case& c) { c.snapshot.programDiskNumber.reset(); },
     format_refusal::kProtectedDiskUnknown},
    {"PhysicalDriveNotOpened", acceptedMbr, [](Case& c) { c.snapshot.physicalDriveOpened = false; },
     format_refusal::kPartitionMap},
    {"AttributesFailed", acceptedMbr, [](Case& c) { c.snapshot.diskAttributes.reset(); },
     format_refusal::kPartitionMap},
    {"DiskOffline", acceptedMbr, [](Case& c) { c.snapshot.diskAttributes = 0x1; },
     format_refusal::kPartitionMap},
    {"DiskReadOnly", acceptedMbr, [](Case& c) { c.snapshot.diskAttributes = 0x2; },
     format_refusal::kPartitionMap},
    {"LengthFailed", acceptedMbr, [](Case& c) { c.snapshot.diskLength.reset(); },
     format_refusal::kPartitionMap},
    {"LayoutFailed", acceptedMbr, [](Case& c) { c.snapshot.driveLayout.reset(); },
     format_refusal::kPartitionMap},
    {"LayoutShort", acceptedMbr, [](Case& c) { c.snapshot.driveLayout->resize(47); },
     format_refusal::kPartitionMap},
    {"GptZeroDiskId", acceptedGpt,
     [](Case& c) { putGuid(*c.snapshot.driveLayout, disk_layout::kLayoutDiskIdAt, Guid{}); },
     format_refusal::kMapIdentity},
    {"MbrZeroSignature", acceptedMbr,
     [](Case& c) { put32(*c.snapshot.driveLayout, disk_layout::kLayoutSignatureAt, 0); },
     format_refusal::kMapIdentity},
    {"LayoutStyleDiffers", acceptedMbr,
     [](Case& c) { put32(*c.snapshot.driveLayout, disk_layout::kLayoutStyleAt, 2); },
     format_refusal::kMapBounds},
    {"Layout129Entries", acceptedMbr,
     [](Case& c) {
         std::vector<Entry> entries(129);
         entries[0] = {kTargetOffset, kTargetLength};
         c.snapshot.driveLayout = layoutBytes(kPartitionStyleMbr, entries);
     },
     format_refusal::kMapBounds},
    {"LayoutCountBeyondReturnedBytes", acceptedMbr,
     [](Case& c) { c.snapshot.driveLayout->resize(c.snapshot.driveLayout->size() - 1); },
     format_refusal::kMapBounds},
    {"PartitionStartsAtDiskEnd", acceptedMbr,
     [](Case& c) { c.snapshot.diskLength = kTargetOffset; }, format_refusal::kMapBounds},
    {"PartitionRunsPastDiskEnd", acceptedMbr,
     [](Case& c) { c.snapshot.diskLength = kTargetOffset + kTargetLength - 1; },
     format_refusal::kMapBounds},
    {"EntryAtZero", acceptedMbr,
     [](Case& c) {
         c.snapshot.driveLayout =
             layoutBytes(kPartitionStyleMbr, {{kTargetOffset, kTargetLength}, {0, kMiB}});
     },
     format_refusal::kOutOfBounds},
    {"EntryAtDiskEnd", acceptedMbr,
     [](Case& c) {
         c.snapshot.driveLayout =
             layoutBytes(kPartitionStyleMbr, {{kTargetOffset, kTargetLength}, {kDiskBytes, kMiB}});
     },
     format_refusal::kOutOfBounds},
    {"EntryPastDiskEnd", acceptedGpt,
     [](Case& c) {
         c.snapshot.driveLayout = layoutBytes(
             kPartitionStyleGpt, {{kTargetOffset, kTargetLength}, {kDiskBytes - kMiB, kMiB + 1}});
     },
     format_refusal::kOutOfBounds},
    {"OneByteOverlap", acceptedMbr,
     [](Case& c) {
         c.snapshot.driveLayout = layoutBytes(kPartitionStyleMbr, {{kMiB, kTargetOffset - kMiB + 1},
                                                                   {kTargetOffset, kTargetLength}});
     },
     format_refusal::kOverlap},
    {"ExtendedPartition", acceptedMbr,
     [](Case& c) {
         c.snapshot.driveLayout = layoutBytes(
             kPartitionStyleMbr,
             {{kMiB, kTargetLength + kTargetOffset, 0x0F}, {kTargetOffset, kTargetLength}});
     },
     format_refusal::kOverlap},
    {"SataAfterEveryPartitionTest", acceptedMbr,
     [](Case& c) { put32(*c.snapshot.storageDescriptor, disk_layout::kDescriptorBusTypeAt, 11); },
     format_refusal::kBus},
    {"NvmeAfterEveryPartitionTest", acceptedGpt,
     [](Case& c) { put32(*c.snapshot.storageDescriptor, disk_layout::kDescriptorBusTypeAt, 17); },
     format_refusal::kBus},
    {"SataWithAnOverlapNamesTheOverlap", acceptedMbr,
     [](Case& c) {
         put32(*c.snapshot.storageDescriptor, disk_layout::kDescriptorBusTypeAt, 11);
         c.snapshot.driveLayout = layoutBytes(
             kPartitionStyleMbr,
             {{kTargetOffset, kTargetLength}, {kTargetOffset + kTargetLength - 1, kMiB}});
     },
     format_refusal::kOverlap},
};

INSTANTIATE_TEST_SUITE_P(EveryRule, FormatReviewRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FormatRecheck, NewVolumeSerialMeansTheTargetChanged) {
    const Case c = acceptedGpt();
    const FormatTarget saved = reviewFormatSnapshot(c.volume, c.snapshot);
    Case reformatted = acceptedGpt();
    reformatted.snapshot.volumeInformation->serial = 0x12345678;
    try {
        requireSameFormatTarget(saved,
                                reviewFormatSnapshot(reformatted.volume, reformatted.snapshot));
        FAIL() << "a new serial passed";
    } catch (const std::runtime_error& refusal) {
        EXPECT_STREQ(refusal.what(), format_refusal::kChanged);
    }
}

TEST(FormatRecheck, EveryIdentityFieldCounts) {
    const Case c = acceptedGpt();
    const FormatTarget saved = reviewFormatSnapshot(c.volume, c.snapshot);

    FormatTarget same = saved;
    same.volumePath = fromUtf8("\\\\?\\VOLUME{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\\");
    same.volume.label = fromUtf8("RENAMED");  // not part of the identity
    same.volume.freeBytesBefore += 4096;
    EXPECT_NO_THROW(requireSameFormatTarget(saved, same));

    const std::vector<std::function<void(FormatTarget&)>> changes = {
        [](FormatTarget& t) { t.volumePath[12] = '0'; },
        [](FormatTarget& t) { ++t.volumeSerial; },
        [](FormatTarget& t) { ++t.diskNumber; },
        [](FormatTarget& t) { t.busType = kBusMmc; },
        [](FormatTarget& t) { ++t.volume.totalBytes; },
        [](FormatTarget& t) { t.deviceSerial = fromUtf8("0X1F2E3D4C"); },
        [](FormatTarget& t) { t.partitionOffset += 512; },
        [](FormatTarget& t) { t.partitionLength -= 512; },
        [](FormatTarget& t) { ++t.diskBytes; },
        [](FormatTarget& t) { t.partitionId = fromUtf8("{01234567-89ab-cdef-0123-456789abcdef}"); },
        [](FormatTarget& t) { t.diskId = fromUtf8("{FEDCBA98-7654-3210-FEDC-BA9876543211}"); },
        [](FormatTarget& t) { ++t.partitionNumber; },
        [](FormatTarget& t) { t.partitionStyle = kPartitionStyleMbr; },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        FormatTarget fresh = saved;
        changes[i](fresh);
        EXPECT_THROW(requireSameFormatTarget(saved, fresh), std::runtime_error) << "change " << i;
    }
}

TEST(FormatGuidText, VolumePathAndGuidForms) {
    EXPECT_EQ(toUtf8(formatGuid(kBasicDataPartition)), "{EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}");
    EXPECT_EQ(toUtf8(formatGuid(Guid{})), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_TRUE(isVolumeGuidPath(fromUtf8(kTargetVolume)));
    EXPECT_TRUE(
        isVolumeGuidPath(fromUtf8("\\\\?\\Volume{ABCDEF01-2345-6789-abcd-ef0123456789}\\")));
    for (const char* bad : {"", "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}",
                            "\\\\?\\volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\",
                            "\\\\.\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9\\\\",
                            "\\\\?\\Volume{0a1b2c3d+4e5f-6071-8293-a4b5c6d7e8f9}\\",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f}\\x",
                            "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\\\"}) {
        EXPECT_FALSE(isVolumeGuidPath(fromUtf8(bad))) << bad;
    }
}

}  // namespace
}  // namespace orvane
