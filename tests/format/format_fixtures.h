#pragma once
// What the format tests share: the script as the source tree holds it and accepted targets.

#include <string>

#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "tests/support/byte_builder.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

inline std::string readFormatScript() {
    return readWholeFile(sourceTree() / "format" / "script" / "format-exfat.ps1");
}

// An accepted snapshot of a volume of each partition style, and the target the review makes of it.
inline constexpr std::uint64_t kMiB = 1024 * 1024;
inline constexpr std::uint64_t kDiskBytes = 64000 * kMiB;
inline constexpr std::uint64_t kAt = 16 * kMiB;      // the target partition's offset
inline constexpr std::uint64_t kLen = 32000 * kMiB;  // and its length
inline constexpr std::uint32_t kDisk = 3;
inline const char* const kTargetVolume = "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
inline const Guid kPartitionGuid{
    0x01234567, 0x89AB, 0xCDEF, {1, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
inline const Guid kDiskGuid{
    0xFEDCBA98, 0x7654, 0x3210, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};

struct FormatCase {
    VolumeInfo volume;
    FormatSnapshot s;
};

inline FormatCase acceptedMbr() {
    FormatCase c;
    c.volume.root = fromUtf8("F:\\");
    c.volume.totalBytes = kLen - kMiB;
    FormatSnapshot& s = c.s;
    s.volumePath = fromUtf8(kTargetVolume);
    s.windowsDirectory = fromUtf8("C:\\Windows");
    s.programPath = fromUtf8("C:\\Tools\\OrvaneVarnolt.exe");
    s.windowsVolumePath = s.programVolumePath =
        fromUtf8("\\\\?\\Volume{11111111-2222-3333-4444-555555555555}\\");
    s.volumeInformation = VolumeSerialFacts{0xDEADBEEF, 0x2};
    s.volumeDeviceOpened = s.physicalDriveOpened = true;
    s.storageDescriptor = descriptorBytes(kBusUsb, "  4C530001230517117073 ");
    s.deviceNumber = kDisk;
    s.diskExtent = DiskExtentFacts{1, kDisk, kAt, kLen};
    s.partition = PartitionFacts{kPartitionStyleMbr, kAt, kLen, 1, 0x07, false, {}, {}, 0};
    s.windowsDiskNumber = 0;
    s.programDiskNumber = 1;
    s.diskAttributes = 0;
    s.diskLength = kDiskBytes;
    s.driveLayout = layoutBytes(kPartitionStyleMbr, {{kAt, kLen}, {}, {}, {}});
    return c;
}

inline FormatCase acceptedGpt() {
    FormatCase c = acceptedMbr();
    c.s.storageDescriptor = descriptorBytes(kBusSd, "K\xC3\xA4se-01");
    c.s.partition->style = kPartitionStyleGpt;
    c.s.partition->number = 2;
    c.s.partition->gptType = kBasicDataPartition;
    c.s.partition->gptId = kPartitionGuid;
    c.s.driveLayout = layoutBytes(kPartitionStyleGpt, {{kMiB, 15 * kMiB}, {kAt, kLen}}, kDiskGuid);
    return c;
}

inline FormatTarget acceptedTarget(std::uint32_t style) {
    const FormatCase c = style == kPartitionStyleGpt ? acceptedGpt() : acceptedMbr();
    return reviewFormatSnapshot(c.volume, c.s);
}

}  // namespace orvane::testing
