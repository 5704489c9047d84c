#include "format/volume_label_rule.h"

namespace orvane {

bool isValidVolumeLabel(const NativeString& label) {
    if (label.empty() || label.size() > kMaxVolumeLabelChars)
        return false;
    if (label.front() == ' ' || label.front() == '-' || label.back() == ' ')
        return false;
    for (const auto c : label) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == ' ' || c == '_' || c == '-';
        if (!allowed)
            return false;
    }
    return true;
}

}  // namespace orvane
