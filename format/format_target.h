#pragma once
// The reviewed identity of a volume to format, and the review that captures it. Reads only.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/run_records.h"

namespace orvane {

struct FormatTarget {
    VolumeInfo volume;
    NativeString volumePath;  // \\?\Volume{...}\ (49 characters)
    std::uint32_t volumeSerial = 0;
    std::uint32_t diskNumber = 0;
    std::uint32_t busType = 0;  // STORAGE_BUS_TYPE: 7 USB, 12 SD, 13 MMC
    NativeString deviceSerial;
    NativeString partitionId;  // GPT partition GUID; empty on MBR
    NativeString diskId;       // GPT disk GUID, or the MBR signature in decimal
    std::uint64_t partitionOffset = 0;
    std::uint64_t partitionLength = 0;
    std::uint64_t diskBytes = 0;
    std::uint32_t partitionNumber = 0;
    std::uint32_t partitionStyle = 0;  // 0 MBR, 1 GPT
};

inline constexpr std::uint32_t kPartitionStyleMbr = 0;
inline constexpr std::uint32_t kPartitionStyleGpt = 1;

// A GUID in the platform's layout: 32-bit, 16-bit, 16-bit, then eight bytes in order.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool isZero() const;
    bool operator==(const Guid& other) const;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case, 38 characters.
NativeString formatGuid(const Guid& guid);

// Exactly "\\?\Volume{8-4-4-4-12 hex}\".
bool isVolumeGuidPath(const NativeString& text);

// Mount point, then its volume GUID path; refuses when either cannot be read.
NativeString volumeGuidPathOf(const std::filesystem::path& path);

// The one physical disk under a volume; refuses when there is not exactly one.
std::uint32_t diskNumberOfVolume(const NativeString& volumeGuidPath);

// Reviews the volume holding folder; throws a refusal with the user's message.
FormatTarget reviewFormatTarget(const std::filesystem::path& folder);

// Reviews the saved target's volume again and refuses when its identity changed.
void recheckFormatTarget(const FormatTarget& saved);

}  // namespace orvane
