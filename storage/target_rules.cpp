#include "storage/target_rules.h"

#include <stdexcept>

namespace orvane {

bool isNetworkOrDevicePath(const NativeString& absolutePath) {
    // Windows reads "/" as "\\" too, so "//server/share" is a share path as well.
    const auto isSeparator = [](NativeString::value_type c) { return c == '\\' || c == '/'; };
    return absolutePath.size() >= 2 && isSeparator(absolutePath[0]) && isSeparator(absolutePath[1]);
}

void refuseTransformedFolder(bool compressed, bool encrypted) {
    if (compressed || encrypted)
        throw std::runtime_error(kTransformedFolderMessage);
}

void refuseUnlessLocalVolume(DriveKind kind) {
    if (kind != DriveKind::Removable && kind != DriveKind::Fixed) {
        throw std::runtime_error(kLocalVolumeMessage);
    }
}

void refuseUnsupportedSectorSize(std::uint32_t bytesPerSector) {
    if (bytesPerSector == 0 || 4096 % bytesPerSector != 0) {
        throw std::runtime_error(kSectorSizeMessage);
    }
}

VolumeInfo volumeInfoFromFacts(const VolumeFacts& facts) {
    refuseUnlessLocalVolume(facts.kind);
    if (facts.readOnly)
        throw std::runtime_error(kReadOnlyVolumeMessage);
    refuseUnsupportedSectorSize(facts.bytesPerSector);

    VolumeInfo info;
    info.root = facts.root;
    info.label = facts.label;
    info.filesystem = facts.filesystem;
    const char* type =
        facts.kind == DriveKind::Removable ? "Removable" : "Fixed (may be USB/external)";
    for (const char* c = type; *c != '\0'; ++c)
        info.type.push_back(static_cast<NativeString::value_type>(*c));
    info.freeBytesBefore = facts.freeBytes;
    info.totalBytes = facts.totalBytes;
    info.logicalSectorBytes = facts.bytesPerSector;
    info.allocationUnitBytes =
        static_cast<std::uint64_t>(facts.sectorsPerCluster) * facts.bytesPerSector;
    return info;
}

}  // namespace orvane
