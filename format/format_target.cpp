#include "format/format_target.h"

#include <cstdio>

#include "format/format_snapshot.h"
#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "storage/target_inspection.h"

namespace orvane {

namespace {

bool isHexDigit(NativeString::value_type c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

NativeString formatGuid(const Guid& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.data1), unsigned{guid.data2},
                  unsigned{guid.data3}, unsigned{guid.data4[0]}, unsigned{guid.data4[1]},
                  unsigned{guid.data4[2]}, unsigned{guid.data4[3]}, unsigned{guid.data4[4]},
                  unsigned{guid.data4[5]}, unsigned{guid.data4[6]}, unsigned{guid.data4[7]});
    return fromUtf8(text);
}

bool isVolumeGuidPath(const NativeString& text) {
    static constexpr char kPrefix[] = "\\\\?\\Volume{";
    if (text.size() != 49)
        return false;
    for (std::size_t i = 0; i < 11; ++i) {
        if (text[i] != static_cast<NativeString::value_type>(kPrefix[i]))
            return false;
    }
    if (text[47] != '}' || text[48] != '\\')
        return false;
    for (std::size_t i = 11; i < 47; ++i) {
        const bool dash = i == 19 || i == 24 || i == 29 || i == 34;
        if (dash ? text[i] != '-' : !isHexDigit(text[i]))
            return false;
    }
    return true;
}

FormatTarget reviewFormatTarget(const std::filesystem::path& folder) {
    // A missing or empty folder gets the sentence Start shows, not the library's text.
    const std::filesystem::path canonical =
        std::filesystem::canonical(requireExistingFolder(folder));
    VolumeInfo volume = inspectTarget(canonical);
    // A mounted-folder volume is refused before any device is opened.
    volume.root = requireDriveLetterRoot(volume.root);
    return reviewFormatSnapshot(volume, readFormatSnapshot(volume.root));
}

void recheckFormatTarget(const FormatTarget& saved) {
    const NativeString root = saved.volume.root;
    requireSameFormatTarget(saved, reviewFormatTarget(std::filesystem::path(root)));
}

}  // namespace orvane
