#pragma once
// The raw answers of the platform queries a format review needs, one optional per query, with no
// platform types, so that the review's rules run (and are tested) anywhere.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/run_records.h"
#include "format/format_target.h"

namespace orvane {

struct VolumeSerialFacts {
    std::uint32_t serial = 0;
    std::uint32_t flags = 0;  // filesystem flags; 0x80000 is a read-only volume
};

struct DiskExtentFacts {
    std::uint32_t extentCount = 0;
    std::uint32_t diskNumber = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct PartitionFacts {
    std::uint32_t style = 0;  // PARTITION_STYLE: 0 MBR, 1 GPT, 2 RAW
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint32_t number = 0;
    // MBR
    std::uint8_t mbrType = 0;
    bool bootIndicator = false;
    // GPT
    Guid gptType;
    Guid gptId;
    std::uint64_t gptAttributes = 0;
};

// Absent means the call failed (or, for the two paths, returned 0).
struct FormatSnapshot {
    std::optional<NativeString> volumePath;  // volume GUID path of the root
    std::optional<NativeString> windowsDirectory;
    std::optional<NativeString> programPath;
    std::optional<NativeString> windowsVolumePath;
    std::optional<NativeString> programVolumePath;
    std::optional<VolumeSerialFacts> volumeInformation;
    bool volumeDeviceOpened = false;
    // The bytes the storage property query returned (STORAGE_DEVICE_DESCRIPTOR and its strings).
    std::optional<std::vector<std::uint8_t>> storageDescriptor;
    std::optional<std::uint32_t> deviceNumber;
    std::optional<DiskExtentFacts> diskExtent;
    std::optional<PartitionFacts> partition;
    std::optional<std::uint32_t> windowsDiskNumber;  // of windowsVolumePath
    std::optional<std::uint32_t> programDiskNumber;  // of programVolumePath
    bool physicalDriveOpened = false;
    std::optional<std::uint64_t> diskAttributes;
    std::optional<std::uint64_t> diskLength;
    // The bytes the drive layout query returned (DRIVE_LAYOUT_INFORMATION_EX and its entries).
    std::optional<std::vector<std::uint8_t>> driveLayout;
};

// Runs the queries for a drive-letter root such as F:\. Never throws for a failing query.
FormatSnapshot readFormatSnapshot(const NativeString& root);

}  // namespace orvane
