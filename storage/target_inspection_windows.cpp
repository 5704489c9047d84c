#include <stdexcept>
#include <vector>

#include "platform/platform_error.h"
#include "platform/windows_api.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"

namespace orvane {

namespace {

DriveKind driveKindOf(UINT driveType) {
    switch (driveType) {
        case DRIVE_REMOVABLE:
            return DriveKind::Removable;
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        case DRIVE_REMOTE:
            return DriveKind::Remote;
        case DRIVE_CDROM:
            return DriveKind::Optical;
        case DRIVE_RAMDISK:
            return DriveKind::RamDisk;
        case DRIVE_NO_ROOT_DIR:
            return DriveKind::NoRootDirectory;
        default:
            return DriveKind::Unknown;
    }
}

}  // namespace

VolumeInfo inspectTarget(const std::filesystem::path& folder) {
    const std::filesystem::path absolute = requireExistingFolder(folder);
    const NativeString& text = absolute.native();
    // MinGW's absolute() gives Z:\server\share for \\server\share: look at the given text too.
    if (isNetworkOrDevicePath(text) || isNetworkOrDevicePath(folder.native())) {
        throw std::runtime_error(kLocalPathMessage);
    }

    const DWORD attributes = GetFileAttributesW(text.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throwWindowsError("Read folder attributes");
    refuseTransformedFolder((attributes & FILE_ATTRIBUTE_COMPRESSED) != 0,
                            (attributes & FILE_ATTRIBUTE_ENCRYPTED) != 0);

    VolumeFacts facts;
    std::vector<wchar_t> root(32768, L'\0');
    if (!GetVolumePathNameW(text.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        throwWindowsError("Find volume");
    }
    facts.root = root.data();

    facts.kind = driveKindOf(GetDriveTypeW(facts.root.c_str()));
    refuseUnlessLocalVolume(facts.kind);

    ULARGE_INTEGER freeToCaller{}, total{};
    if (!GetDiskFreeSpaceExW(facts.root.c_str(), &freeToCaller, &total, nullptr)) {
        throwWindowsError("Read free space");
    }
    facts.freeBytes = freeToCaller.QuadPart;
    facts.totalBytes = total.QuadPart;

    wchar_t label[256] = {};
    wchar_t filesystem[256] = {};
    if (!GetVolumeInformationW(facts.root.c_str(), label, 256, nullptr, nullptr, nullptr,
                               filesystem, 256)) {
        throwWindowsError("Read filesystem");
    }
    facts.label = label;
    facts.filesystem = filesystem;

    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(facts.root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
        throwWindowsError("Read sector size");
    }
    facts.bytesPerSector = bytesPerSector;
    facts.sectorsPerCluster = sectorsPerCluster;
    return volumeInfoFromFacts(facts);
}

}  // namespace orvane
