#include "format/format_verification.h"

#include <cstdio>
#include <exception>

#include "format/format_target_rules.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

bool sameDeviceAndPartition(const FormatTarget& saved, const FormatTarget& fresh) {
    return saved.deviceSerial == fresh.deviceSerial && saved.diskNumber == fresh.diskNumber &&
           saved.volumePath == fresh.volumePath && saved.partitionId == fresh.partitionId &&
           saved.diskId == fresh.diskId && saved.partitionOffset == fresh.partitionOffset &&
           saved.partitionLength == fresh.partitionLength && saved.diskBytes == fresh.diskBytes &&
           saved.busType == fresh.busType;
}

bool matchesRequest(const VolumeInfo& volume, const FormatRequest& request) {
    return equalsIgnoringAsciiCase(volume.filesystem, fromUtf8("exFAT")) &&
           volume.label == request.label && volume.allocationUnitBytes != 0 &&
           (request.clusterBytes == 0 || volume.allocationUnitBytes == request.clusterBytes);
}

std::string kibText(std::uint64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1024.0);
    return text;
}

// Empty when verified, else the reason.
std::string judge(const FormatRequest& request, const FormatTarget& fresh, std::string& details) {
    if (!sameDeviceAndPartition(request.target, fresh))
        return format_verdict_text::kIdentityChanged;
    if (!matchesRequest(fresh.volume, request))
        return format_verdict_text::kResultDiffers;
    details = "Verified exFAT label " + toUtf8(request.label) + "; actual allocation " +
              kibText(fresh.volume.allocationUnitBytes) +
              " KiB. Select a live drive and run a fresh benchmark.";
    return {};
}

}  // namespace

FormatVerdict verifyFormatOutcome(std::uint32_t exitCode, const FormatRequest& request,
                                  const std::function<FormatTarget()>& reviewAgain) {
    FormatVerdict verdict;
    verdict.verified = exitCode == 0;
    if (verdict.verified) {
        try {
            const FormatTarget fresh = reviewAgain();
            const std::string reason = judge(request, fresh, verdict.details);
            if (!reason.empty()) {
                verdict.verified = false;
                verdict.details = reason;
            }
        } catch (const std::exception& refusal) {
            verdict.verified = false;
            verdict.details = refusal.what();
        }
    }
    verdict.status = verdict.verified ? format_verdict_text::kVerifiedStatus
                                      : format_verdict_text::kFailedStatus;
    if (!verdict.verified)
        verdict.details += format_verdict_text::kNotVerifiedSuffix;
    return verdict;
}

}  // namespace orvane
