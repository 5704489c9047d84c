#pragma once
// The decisions of the format review, as pure functions over a snapshot of platform answers.

#include <cstddef>
#include <cstdint>

#include "format/format_snapshot.h"
#include "format/format_target.h"

namespace orvane {

namespace format_refusal {
inline constexpr const char* kDriveLetter =
    "Formatting requires a normal drive-letter volume, such as F:\\. Mounted-folder volumes are "
    "not supported.";
inline constexpr const char* kStableIdentity =
    "Cannot establish a stable volume identity. Formatting is unavailable.";
inline constexpr const char* kVolumeIdentifier =
    "Unexpected volume identifier; formatting is unavailable.";
inline constexpr const char* kProtectedVolumes = "Cannot identify protected volumes.";
inline constexpr const char* kWindowsVolume = "The Windows volume cannot be formatted by this app.";
inline constexpr const char* kProgramVolume =
    "This app is running from the selected volume. Move the app to a different drive before "
    "formatting.";
inline constexpr const char* kVolumeSerial = "Cannot read the volume serial number.";
inline constexpr const char* kReadOnly = "Read-only volumes cannot be formatted.";
inline constexpr const char* kStorageBus = "Cannot inspect the target's physical storage bus.";
inline constexpr const char* kDiskIdentity =
    "Cannot verify the target's physical disk identity. Formatting is blocked.";
inline constexpr const char* kDeviceSerial =
    "The device does not expose a stable serial; formatting is refused.";
inline constexpr const char* kProtectedDiskUnknown =
    "Cannot identify a protected physical disk; formatting blocked.";
inline constexpr const char* kProtectedDisk =
    "The physical disk hosting Windows or this application is protected.";
inline constexpr const char* kPartitionMap =
    "Cannot inspect the physical partition map; formatting refused.";
inline constexpr const char* kMapIdentity =
    "Missing stable partition-map identity; formatting blocked.";
inline constexpr const char* kMapBounds = "Invalid partition map bounds.";
inline constexpr const char* kOutOfBounds = "Out-of-bounds partition map.";
inline constexpr const char* kOverlap = "Overlapping or extended partitions are unsupported.";
inline constexpr const char* kBus =
    "Formatting is limited to drives Windows identifies as USB, SD or MMC. Internal, unknown and "
    "virtual buses are blocked.";
inline constexpr const char* kChanged =
    "The selected volume changed after review. Select and review the target again.";
}  // namespace format_refusal

// Published layouts the review decodes; the Windows queries assert the same numbers.
namespace disk_layout {
inline constexpr std::size_t kDescriptorSerialOffsetAt = 24;  // STORAGE_DEVICE_DESCRIPTOR
inline constexpr std::size_t kDescriptorBusTypeAt = 28;
inline constexpr std::size_t kDescriptorBytes = 40;
inline constexpr std::size_t kLayoutStyleAt = 0;  // DRIVE_LAYOUT_INFORMATION_EX
inline constexpr std::size_t kLayoutCountAt = 4;
inline constexpr std::size_t kLayoutSignatureAt = 8;
inline constexpr std::size_t kLayoutDiskIdAt = 8;
inline constexpr std::size_t kLayoutHeaderBytes = 48;
inline constexpr std::size_t kPartitionOffsetAt = 8;  // PARTITION_INFORMATION_EX
inline constexpr std::size_t kPartitionLengthAt = 16;
inline constexpr std::size_t kPartitionMbrTypeAt = 32;
inline constexpr std::size_t kPartitionEntryBytes = 144;
inline constexpr std::uint32_t kMaxLayoutEntries = 128;
}  // namespace disk_layout

inline constexpr std::uint32_t kBusUsb = 7;
inline constexpr std::uint32_t kBusSd = 12;
inline constexpr std::uint32_t kBusMmc = 13;
inline constexpr std::uint32_t kReadOnlyVolumeFlag = 0x80000;
inline constexpr std::uint64_t kDiskAttributeOffline = 0x1;
inline constexpr std::uint64_t kDiskAttributeReadOnly = 0x2;
// {EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}
inline constexpr Guid kBasicDataPartition{
    0xEBD0A0A2u, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

bool isAcceptedFormatBus(std::uint32_t busType);

// Three characters, the second ":" and the third "\"; a lower-case letter becomes upper case.
NativeString requireDriveLetterRoot(const NativeString& root);

// Every rule after the volume inspection, in order, over what the queries answered.
FormatTarget reviewFormatSnapshot(VolumeInfo volume, const FormatSnapshot& snapshot);

// Refuses with the "changed after review" message when any identity field differs.
void requireSameFormatTarget(const FormatTarget& saved, const FormatTarget& fresh);

bool equalsIgnoringAsciiCase(const NativeString& a, const NativeString& b);

}  // namespace orvane
