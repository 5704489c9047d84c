#include <stdexcept>

#include "format/format_snapshot.h"
#include "format/format_target_rules.h"

namespace orvane {

// Formatting exists only on Windows: here nothing can be identified, so every review refuses.
FormatSnapshot readFormatSnapshot(const NativeString&) {
    return {};
}

NativeString volumeGuidPathOf(const std::filesystem::path&) {
    throw std::runtime_error(format_refusal::kStableIdentity);
}

std::uint32_t diskNumberOfVolume(const NativeString&) {
    throw std::runtime_error(format_refusal::kProtectedDiskUnknown);
}

}  // namespace orvane
