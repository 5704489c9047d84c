#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_query_bytes.h"
#include "format/format_snapshot.h"
#include "format/format_target_rules.h"
#include "platform/program_path_windows.h"
#include "platform/unique_handle_windows.h"
#include "platform/windows_api.h"

#include <winioctl.h>

// MinGW's headers lack the disk attribute query and its bits.
#ifndef DISK_ATTRIBUTE_OFFLINE
#define DISK_ATTRIBUTE_OFFLINE 0x0000000000000001ull
#endif
#ifndef DISK_ATTRIBUTE_READ_ONLY
#define DISK_ATTRIBUTE_READ_ONLY 0x0000000000000002ull
#endif
#ifndef IOCTL_DISK_GET_DISK_ATTRIBUTES
#define IOCTL_DISK_GET_DISK_ATTRIBUTES \
    CTL_CODE(IOCTL_DISK_BASE, 0x003c, METHOD_BUFFERED, FILE_ANY_ACCESS)
#endif

namespace orvane {

namespace {

struct GET_DISK_ATTRIBUTES {
    DWORD Version;
    DWORD Reserved1;
    DWORDLONG Attributes;
};

// Guards against header drift: the review decodes these codes and layouts by number.
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == 0x2D1400);
static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == 0x2D1080);
static_assert(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS == 0x560000);
static_assert(IOCTL_DISK_GET_PARTITION_INFO_EX == 0x70048);
static_assert(IOCTL_DISK_GET_DISK_ATTRIBUTES == 0x700F0);
static_assert(IOCTL_DISK_GET_LENGTH_INFO == 0x7405C);
static_assert(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX == 0x700A0);
static_assert(IOCTL_DISK_GET_DRIVE_LAYOUT_EX == 0x70050);
static_assert(FILE_READ_ONLY_VOLUME == kReadOnlyVolumeFlag);
static_assert(DISK_ATTRIBUTE_OFFLINE == kDiskAttributeOffline &&
              DISK_ATTRIBUTE_READ_ONLY == kDiskAttributeReadOnly);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(StorageDeviceProperty == 0 && PropertyStandardQuery == 0);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == disk_layout::kDescriptorBytes);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) ==
              disk_layout::kDescriptorSerialOffsetAt);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == disk_layout::kDescriptorBusTypeAt);
static_assert(BusTypeUsb == kBusUsb && BusTypeSd == kBusSd && BusTypeMmc == kBusMmc);
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);
static_assert(sizeof(DISK_EXTENT) == 24 &&
              sizeof(VOLUME_DISK_EXTENTS) == query_layout::kExtentsBytes);
static_assert(offsetof(VOLUME_DISK_EXTENTS, NumberOfDiskExtents) == query_layout::kExtentCountAt);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + offsetof(DISK_EXTENT, DiskNumber) ==
              query_layout::kExtentDiskAt);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + offsetof(DISK_EXTENT, StartingOffset) ==
              query_layout::kExtentOffsetAt);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + offsetof(DISK_EXTENT, ExtentLength) ==
              query_layout::kExtentLengthAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, PartitionStyle) ==
              query_layout::kPartitionStyleAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, PartitionNumber) ==
              query_layout::kPartitionNumberAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, Mbr) +
                  offsetof(PARTITION_INFORMATION_MBR, BootIndicator) ==
              query_layout::kPartitionBootAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, Gpt) +
                  offsetof(PARTITION_INFORMATION_GPT, PartitionType) ==
              query_layout::kPartitionGptTypeAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, Gpt) +
                  offsetof(PARTITION_INFORMATION_GPT, PartitionId) ==
              query_layout::kPartitionGptIdAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, Gpt) +
                  offsetof(PARTITION_INFORMATION_GPT, Attributes) ==
              query_layout::kPartitionGptAttributesAt);
static_assert(offsetof(DISK_GEOMETRY_EX, DiskSize) == query_layout::kGeometryDiskSizeAt);
static_assert(sizeof(PARTITION_INFORMATION_EX) == disk_layout::kPartitionEntryBytes);
static_assert(offsetof(PARTITION_INFORMATION_EX, StartingOffset) ==
              disk_layout::kPartitionOffsetAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, PartitionLength) ==
              disk_layout::kPartitionLengthAt);
static_assert(offsetof(PARTITION_INFORMATION_EX, Mbr) +
                  offsetof(PARTITION_INFORMATION_MBR, PartitionType) ==
              disk_layout::kPartitionMbrTypeAt);
static_assert(PARTITION_STYLE_MBR == kPartitionStyleMbr &&
              PARTITION_STYLE_GPT == kPartitionStyleGpt);
static_assert(sizeof(GET_DISK_ATTRIBUTES) == 16);
static_assert(sizeof(GET_LENGTH_INFORMATION) == 8);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionStyle) == disk_layout::kLayoutStyleAt);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount) == disk_layout::kLayoutCountAt);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, Mbr) +
                  offsetof(DRIVE_LAYOUT_INFORMATION_MBR, Signature) ==
              disk_layout::kLayoutSignatureAt);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt) +
                  offsetof(DRIVE_LAYOUT_INFORMATION_GPT, DiskId) ==
              disk_layout::kLayoutDiskIdAt);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry) ==
              disk_layout::kLayoutHeaderBytes);

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kDescriptorBufferBytes = 4096;
constexpr DWORD kLayoutBufferBytes = 65536;

// Access 0: the handle serves control queries only and can neither read nor write.
UniqueFileHandle openForQueries(const std::wstring& device) {
    return UniqueFileHandle(
        CreateFileW(device.c_str(), 0, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Fills out (already zeroed) and reports how many bytes came back; false when the call failed.
bool query(HANDLE device, DWORD code, const void* in, DWORD inBytes, void* out, DWORD outBytes,
           DWORD* returned = nullptr) {
    DWORD bytes = 0;
    const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inBytes, out, outBytes,
                                    &bytes, nullptr);
    if (returned)
        *returned = bytes;
    return ok != FALSE;
}

std::optional<VOLUME_DISK_EXTENTS> singleExtentOf(const std::wstring& volumeDevice) {
    const UniqueFileHandle volume = openForQueries(volumeDevice);
    if (!volume)
        return std::nullopt;
    VOLUME_DISK_EXTENTS extents{};
    if (!query(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
               sizeof extents)) {
        return std::nullopt;
    }
    return extents;
}

std::optional<NativeString> guidPathOrNothing(const std::filesystem::path& path) {
    try {
        return volumeGuidPathOf(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::uint32_t> diskNumberOrNothing(const std::optional<NativeString>& volumePath) {
    if (!volumePath)
        return std::nullopt;
    try {
        return diskNumberOfVolume(*volumePath);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<NativeString> windowsDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    return NativeString(buffer, length);
}

void readVolumeDevice(const NativeString& root, FormatSnapshot& snapshot) {
    const UniqueFileHandle volume = openForQueries(L"\\\\.\\" + root.substr(0, 2));
    if (!volume)
        return;
    snapshot.volumeDeviceOpened = true;

    STORAGE_PROPERTY_QUERY propertyQuery{};
    std::vector<std::uint8_t> descriptor(kDescriptorBufferBytes, 0);
    DWORD returned = 0;
    const bool answered =
        query(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &propertyQuery, sizeof propertyQuery,
              descriptor.data(), kDescriptorBufferBytes, &returned);
    snapshot.storageDescriptor =
        returnedBytes(answered, returned, std::move(descriptor), disk_layout::kDescriptorBytes);
    if (!snapshot.storageDescriptor)
        return;

    STORAGE_DEVICE_NUMBER number{};
    if (!query(volume.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number)) {
        return;
    }
    snapshot.deviceNumber = number.DeviceNumber;

    std::vector<std::uint8_t> extents(query_layout::kExtentsBytes, 0);
    if (!query(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, extents.data(),
               query_layout::kExtentsBytes)) {
        return;
    }
    snapshot.diskExtent = diskExtentFromBytes(extents);

    std::vector<std::uint8_t> info(disk_layout::kPartitionEntryBytes, 0);
    if (query(volume.get(), IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, info.data(),
              disk_layout::kPartitionEntryBytes)) {
        snapshot.partition = partitionFromBytes(info);
    }
}

// The length query needs read access, which an unelevated handle of access 0 lacks; the geometry
// query answers the same length without it.
std::optional<std::uint64_t> diskLengthOf(HANDLE disk) {
    GET_LENGTH_INFORMATION length{};
    if (query(disk, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length)) {
        return static_cast<std::uint64_t>(length.Length.QuadPart);
    }
    std::vector<std::uint8_t> geometry(sizeof(DISK_GEOMETRY_EX), 0);
    DWORD returned = 0;
    const bool answered = query(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, geometry.data(),
                                sizeof(DISK_GEOMETRY_EX), &returned);
    const auto bytes = returnedBytes(answered, returned, std::move(geometry),
                                     query_layout::kGeometryDiskSizeAt + 8);
    if (!bytes)
        return std::nullopt;
    return geometryDiskSizeFromBytes(*bytes);
}

void readPhysicalDrive(std::uint32_t diskNumber, FormatSnapshot& snapshot) {
    const UniqueFileHandle disk =
        openForQueries(L"\\\\.\\PhysicalDrive" + std::to_wstring(diskNumber));
    if (!disk)
        return;
    snapshot.physicalDriveOpened = true;

    GET_DISK_ATTRIBUTES attributes{};
    if (!query(disk.get(), IOCTL_DISK_GET_DISK_ATTRIBUTES, nullptr, 0, &attributes,
               sizeof attributes)) {
        return;
    }
    snapshot.diskAttributes = attributes.Attributes;

    snapshot.diskLength = diskLengthOf(disk.get());
    if (!snapshot.diskLength)
        return;

    std::vector<std::uint8_t> layout(kLayoutBufferBytes, 0);
    DWORD returned = 0;
    const bool answered = query(disk.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0,
                                layout.data(), kLayoutBufferBytes, &returned);
    snapshot.driveLayout = returnedBytes(answered, returned, std::move(layout), 0);
}

}  // namespace

NativeString volumeGuidPathOf(const std::filesystem::path& path) {
    std::vector<wchar_t> mountPoint(32768, L'\0');
    wchar_t volumeName[128] = {};
    if (!GetVolumePathNameW(path.c_str(), mountPoint.data(),
                            static_cast<DWORD>(mountPoint.size())) ||
        !GetVolumeNameForVolumeMountPointW(mountPoint.data(), volumeName, 128)) {
        throw std::runtime_error(format_refusal::kStableIdentity);
    }
    return volumeName;
}

std::uint32_t diskNumberOfVolume(const NativeString& volumeGuidPath) {
    NativeString device = volumeGuidPath;
    if (!device.empty() && device.back() == L'\\')
        device.pop_back();
    const std::optional<VOLUME_DISK_EXTENTS> extents = singleExtentOf(device);
    if (!extents || extents->NumberOfDiskExtents != 1) {
        throw std::runtime_error(format_refusal::kProtectedDiskUnknown);
    }
    return extents->Extents[0].DiskNumber;
}

FormatSnapshot readFormatSnapshot(const NativeString& root) {
    FormatSnapshot snapshot;
    snapshot.volumePath = guidPathOrNothing(std::filesystem::path(root));
    snapshot.windowsDirectory = windowsDirectory();
    snapshot.programPath = programFilePath();
    if (snapshot.windowsDirectory)
        snapshot.windowsVolumePath = guidPathOrNothing(*snapshot.windowsDirectory);
    if (snapshot.programPath)
        snapshot.programVolumePath = guidPathOrNothing(*snapshot.programPath);

    DWORD serial = 0, flags = 0;
    if (GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, &flags, nullptr, 0)) {
        snapshot.volumeInformation = VolumeSerialFacts{serial, flags};
    }

    readVolumeDevice(root, snapshot);
    snapshot.windowsDiskNumber = diskNumberOrNothing(snapshot.windowsVolumePath);
    snapshot.programDiskNumber = diskNumberOrNothing(snapshot.programVolumePath);
    if (snapshot.deviceNumber)
        readPhysicalDrive(*snapshot.deviceNumber, snapshot);
    return snapshot;
}

}  // namespace orvane
