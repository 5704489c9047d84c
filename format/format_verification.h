#pragma once
// The judgement after the elevated script ended: did Windows make the volume that was asked for?

#include <cstdint>
#include <functional>
#include <string>

#include "format/format_target.h"

namespace orvane {

// What the window saves when it starts a format.
struct FormatRequest {
    FormatTarget target;
    NativeString label;
    std::uint32_t clusterBytes = 0;  // 0: the Windows default
};

struct FormatVerdict {
    bool verified = false;
    std::string status;   // the status line
    std::string details;  // the details text
};

namespace format_verdict_text {
inline constexpr const char* kVerifiedStatus = "Format verified. Select a live target again.";
inline constexpr const char* kFailedStatus =
    "Format could not be verified. Contents may have changed.";
inline constexpr const char* kIdentityChanged =
    "Device or partition identity changed during formatting.";
inline constexpr const char* kResultDiffers =
    "Filesystem, label or allocation differs from the request.";
inline constexpr const char* kNotVerifiedSuffix =
    " Windows did not complete a verified format. Check the volume; contents may have changed.";
}  // namespace format_verdict_text

// reviewAgain reviews the saved root; it runs only after exit code 0, and its refusal text becomes
// the details.
FormatVerdict verifyFormatOutcome(std::uint32_t exitCode, const FormatRequest& request,
                                  const std::function<FormatTarget()>& reviewAgain);

}  // namespace orvane
