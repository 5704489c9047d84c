#pragma once
// The decisions of target inspection, as pure functions over facts both platforms read.

#include <cstdint>

#include "storage/volume_info.h"

namespace orvane {

inline constexpr const char* kChooseExistingFolderMessage =
    "Choose an existing folder on the drive to test.";
inline constexpr const char* kLocalPathMessage =
    "Choose a local drive, not a network or device path.";
inline constexpr const char* kTransformedFolderMessage =
    "Choose an uncompressed, unencrypted test folder so filesystem transforms do not distort the "
    "result.";
inline constexpr const char* kLocalVolumeMessage =
    "Only local fixed or removable volumes are supported.";
inline constexpr const char* kReadOnlyVolumeMessage =
    "This volume is mounted read-only; choose a folder on a writable volume.";
inline constexpr const char* kSectorSizeMessage =
    "This volume's sector size does not support the 4 KiB test.";

enum class DriveKind { Unknown, NoRootDirectory, Removable, Fixed, Remote, Optical, RamDisk };

struct VolumeFacts {
    NativeString root;
    NativeString label;
    NativeString filesystem;
    DriveKind kind = DriveKind::Unknown;
    bool readOnly = false;
    std::uint64_t freeBytes = 0;
    std::uint64_t totalBytes = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
};

// Network shares and device namespaces alike begin with two backslashes (or slashes).
bool isNetworkOrDevicePath(const NativeString& absolutePath);

void refuseTransformedFolder(bool compressed, bool encrypted);
void refuseUnlessLocalVolume(DriveKind kind);
void refuseUnsupportedSectorSize(std::uint32_t bytesPerSector);

// Applies the volume checks in order (kind, read-only, sector size) and fills the record.
VolumeInfo volumeInfoFromFacts(const VolumeFacts& facts);

}  // namespace orvane
