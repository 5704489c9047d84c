#include "format/format_target_rules.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_query_bytes.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void refuse(const char* message) {
    throw std::runtime_error(message);
}

NativeString decimal(std::uint64_t value) {
    return fromUtf8(std::to_string(value));
}

// The descriptor's serial: from SerialNumberOffset up to the first zero byte before the end of
// what was returned; empty when there is no offset or no terminator.
NativeString deviceSerialOf(const Bytes& descriptor) {
    const std::uint32_t at = u32At(descriptor, disk_layout::kDescriptorSerialOffsetAt);
    if (at == 0 || at >= descriptor.size())
        return {};
    for (std::size_t end = at; end < descriptor.size(); ++end) {
        if (descriptor[end] == 0) {
            return fromUtf8(
                sanitizeUtf8(std::string(descriptor.begin() + static_cast<std::ptrdiff_t>(at),
                                         descriptor.begin() + static_cast<std::ptrdiff_t>(end))));
        }
    }
    return {};
}

bool hasVisibleCharacter(const NativeString& text) {
    for (const auto c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return true;
    }
    return false;
}

void requireConsistentIdentity(FormatTarget& target, const DiskExtentFacts& extent,
                               std::uint32_t deviceNumber, const PartitionFacts& partition) {
    const bool consistent = extent.diskNumber == deviceNumber && partition.number != 0 &&
                            extent.offset != 0 && extent.length != 0 &&
                            partition.offset == extent.offset && partition.length == extent.length;
    if (partition.style == kPartitionStyleMbr) {
        const bool ordinaryType =
            partition.mbrType == 0x07 || partition.mbrType == 0x0B || partition.mbrType == 0x0C;
        if (consistent && !partition.bootIndicator && ordinaryType)
            return;
    } else if (partition.style == kPartitionStyleGpt) {
        target.partitionId = formatGuid(partition.gptId);
        if (consistent && !partition.gptId.isZero() && partition.gptType == kBasicDataPartition &&
            partition.gptAttributes == 0) {
            return;
        }
    }
    refuse(format_refusal::kDiskIdentity);
}

void requireUnprotectedDisk(const FormatSnapshot& snapshot, std::uint32_t diskNumber) {
    if (!snapshot.windowsDiskNumber)
        refuse(format_refusal::kProtectedDiskUnknown);
    if (*snapshot.windowsDiskNumber == diskNumber)
        refuse(format_refusal::kProtectedDisk);
    if (!snapshot.programDiskNumber)
        refuse(format_refusal::kProtectedDiskUnknown);
    if (*snapshot.programDiskNumber == diskNumber)
        refuse(format_refusal::kProtectedDisk);
}

// Every used entry inside the disk and apart from every entry accepted before it.
void requireSoundEntries(const Bytes& layout, std::uint32_t style, std::uint32_t count,
                         std::uint64_t diskBytes) {
    struct Range {
        std::uint64_t start, end;
    };
    std::vector<Range> accepted;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at =
            disk_layout::kLayoutHeaderBytes + i * disk_layout::kPartitionEntryBytes;
        const std::uint64_t start = u64At(layout, at + disk_layout::kPartitionOffsetAt);
        const std::uint64_t length = u64At(layout, at + disk_layout::kPartitionLengthAt);
        if (length == 0)
            continue;
        if (style == kPartitionStyleMbr && layout[at + disk_layout::kPartitionMbrTypeAt] == 0)
            continue;
        if (start == 0 || start >= diskBytes || length > diskBytes - start) {
            refuse(format_refusal::kOutOfBounds);
        }
        const std::uint64_t end = start + length;
        for (const Range& other : accepted) {
            if (start < other.end && end > other.start)
                refuse(format_refusal::kOverlap);
        }
        accepted.push_back({start, end});
    }
}

}  // namespace

bool Guid::isZero() const {
    return *this == Guid{};
}

bool Guid::operator==(const Guid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           data4 == other.data4;
}

bool isAcceptedFormatBus(std::uint32_t busType) {
    return busType == kBusUsb || busType == kBusSd || busType == kBusMmc;
}

bool equalsIgnoringAsciiCase(const NativeString& a, const NativeString& b) {
    if (a.size() != b.size())
        return false;
    const auto fold = [](auto c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

NativeString requireDriveLetterRoot(const NativeString& root) {
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\')
        refuse(format_refusal::kDriveLetter);
    NativeString normalised = root;
    if (normalised[0] >= 'a' && normalised[0] <= 'z')
        normalised[0] = normalised[0] - 'a' + 'A';
    return normalised;
}

FormatTarget reviewFormatSnapshot(VolumeInfo volume, const FormatSnapshot& snapshot) {
    FormatTarget target;
    volume.root = requireDriveLetterRoot(volume.root);
    target.volume = volume;

    if (!snapshot.volumePath)
        refuse(format_refusal::kStableIdentity);
    if (!isVolumeGuidPath(*snapshot.volumePath))
        refuse(format_refusal::kVolumeIdentifier);
    target.volumePath = *snapshot.volumePath;

    if (!snapshot.windowsDirectory || !snapshot.programPath)
        refuse(format_refusal::kProtectedVolumes);
    // Both volumes are resolved before either is judged.
    if (!snapshot.windowsVolumePath || !snapshot.programVolumePath) {
        refuse(format_refusal::kStableIdentity);
    }
    if (equalsIgnoringAsciiCase(*snapshot.windowsVolumePath, target.volumePath)) {
        refuse(format_refusal::kWindowsVolume);
    }
    if (equalsIgnoringAsciiCase(*snapshot.programVolumePath, target.volumePath)) {
        refuse(format_refusal::kProgramVolume);
    }

    if (!snapshot.volumeInformation)
        refuse(format_refusal::kVolumeSerial);
    if (snapshot.volumeInformation->flags & kReadOnlyVolumeFlag)
        refuse(format_refusal::kReadOnly);
    target.volumeSerial = snapshot.volumeInformation->serial;

    if (!snapshot.volumeDeviceOpened)
        refuse(format_refusal::kStorageBus);
    if (!snapshot.storageDescriptor ||
        snapshot.storageDescriptor->size() < disk_layout::kDescriptorBytes ||
        !snapshot.deviceNumber || !snapshot.diskExtent || snapshot.diskExtent->extentCount != 1 ||
        !snapshot.partition) {
        refuse(format_refusal::kDiskIdentity);
    }
    const Bytes& descriptor = *snapshot.storageDescriptor;
    const DiskExtentFacts& extent = *snapshot.diskExtent;
    const PartitionFacts& partition = *snapshot.partition;
    const std::uint32_t busType = u32At(descriptor, disk_layout::kDescriptorBusTypeAt);
    target.deviceSerial = deviceSerialOf(descriptor);

    target.partitionOffset = extent.offset;
    target.partitionLength = extent.length;
    target.partitionNumber = partition.number;
    target.partitionStyle = partition.style;
    requireConsistentIdentity(target, extent, *snapshot.deviceNumber, partition);

    target.diskNumber = *snapshot.deviceNumber;
    target.busType = busType;

    if (!hasVisibleCharacter(target.deviceSerial))
        refuse(format_refusal::kDeviceSerial);

    requireUnprotectedDisk(snapshot, target.diskNumber);

    if (!snapshot.physicalDriveOpened || !snapshot.diskAttributes ||
        (*snapshot.diskAttributes & (kDiskAttributeOffline | kDiskAttributeReadOnly)) != 0 ||
        !snapshot.diskLength || !snapshot.driveLayout ||
        snapshot.driveLayout->size() < disk_layout::kLayoutHeaderBytes) {
        refuse(format_refusal::kPartitionMap);
    }
    const Bytes& layout = *snapshot.driveLayout;
    const std::uint32_t layoutStyle = u32At(layout, disk_layout::kLayoutStyleAt);
    const std::uint32_t count = u32At(layout, disk_layout::kLayoutCountAt);

    if (layoutStyle == kPartitionStyleGpt) {
        const Guid diskId = guidAt(layout, disk_layout::kLayoutDiskIdAt);
        target.diskId = formatGuid(diskId);
        if (diskId.isZero())
            refuse(format_refusal::kMapIdentity);
    } else {
        const std::uint32_t signature = u32At(layout, disk_layout::kLayoutSignatureAt);
        target.diskId = decimal(signature);
        if (layoutStyle == kPartitionStyleMbr && signature == 0)
            refuse(format_refusal::kMapIdentity);
    }

    target.diskBytes = *snapshot.diskLength;

    if (layoutStyle != target.partitionStyle || count > disk_layout::kMaxLayoutEntries ||
        disk_layout::kLayoutHeaderBytes + std::uint64_t{count} * disk_layout::kPartitionEntryBytes >
            layout.size() ||
        target.partitionOffset >= target.diskBytes ||
        target.partitionLength > target.diskBytes - target.partitionOffset) {
        refuse(format_refusal::kMapBounds);
    }
    requireSoundEntries(layout, layoutStyle, count, target.diskBytes);

    if (!isAcceptedFormatBus(target.busType))
        refuse(format_refusal::kBus);
    return target;
}

void requireSameFormatTarget(const FormatTarget& saved, const FormatTarget& fresh) {
    const bool same =
        equalsIgnoringAsciiCase(saved.volumePath, fresh.volumePath) &&
        saved.volumeSerial == fresh.volumeSerial && saved.diskNumber == fresh.diskNumber &&
        saved.busType == fresh.busType && saved.volume.totalBytes == fresh.volume.totalBytes &&
        saved.deviceSerial == fresh.deviceSerial &&
        saved.partitionOffset == fresh.partitionOffset &&
        saved.partitionLength == fresh.partitionLength && saved.diskBytes == fresh.diskBytes &&
        saved.partitionId == fresh.partitionId && saved.diskId == fresh.diskId &&
        saved.partitionNumber == fresh.partitionNumber &&
        saved.partitionStyle == fresh.partitionStyle;
    if (!same)
        refuse(format_refusal::kChanged);
}

}  // namespace orvane
