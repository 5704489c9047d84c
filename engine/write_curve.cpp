#include "engine/write_curve.h"

namespace orvane {

namespace {

double rateOver(const std::vector<CurveSlice>& slices, std::size_t first, std::size_t last) {
    double bytes = 0.0;
    double seconds = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        bytes += static_cast<double>(slices[i].bytes);
        seconds += slices[i].seconds;
    }
    return seconds > 0.0 ? bytes / static_cast<double>(kMiB) / seconds : 0.0;
}

// The end (exclusive) of the slices that make up the first limit bytes, at least one slice.
std::size_t slicesCovering(const std::vector<CurveSlice>& slices, std::uint64_t limit) {
    std::size_t end = 0;
    std::uint64_t covered = 0;
    while (end < slices.size() && (end == 0 || covered < limit)) {
        covered += slices[end].bytes;
        ++end;
    }
    return end;
}

bool staysBelow(const std::vector<CurveSlice>& slices, std::size_t start, double threshold,
                std::uint64_t sustainBytes) {
    std::uint64_t covered = 0;
    for (std::size_t i = start; i < slices.size() && covered < sustainBytes; ++i) {
        if (slices[i].mebibytesPerSecond() >= threshold)
            return false;
        covered += slices[i].bytes;
    }
    return true;
}

}  // namespace

double CurveSlice::mebibytesPerSecond() const {
    return seconds > 0.0 ? static_cast<double>(bytes) / static_cast<double>(kMiB) / seconds : 0.0;
}

double transferSeconds(double bytes, double mebibytesPerSecond) {
    return mebibytesPerSecond > 0.0 ? bytes / (mebibytesPerSecond * static_cast<double>(kMiB))
                                    : 0.0;
}

WriteCurveSummary summarizeWriteCurve(const std::vector<CurveSlice>& slices,
                                      const CurveRules& rules, double modelBytes) {
    WriteCurveSummary summary;
    if (slices.empty())
        return summary;
    summary.rateBeforeCliffMiBps =
        rateOver(slices, 0, slicesCovering(slices, rules.referenceBytes));
    summary.rateAfterCliffMiBps = summary.rateBeforeCliffMiBps;
    const double threshold = summary.rateBeforeCliffMiBps / 2.0;

    for (std::size_t i = 0; i < slices.size(); ++i) {
        if (staysBelow(slices, i, threshold, rules.sustainBytes)) {
            summary.cacheBytes = slices[i].position;
            summary.rateAfterCliffMiBps = rateOver(slices, i, slices.size());
            break;
        }
    }

    const double cache = summary.cacheBytes ? static_cast<double>(*summary.cacheBytes) : modelBytes;
    if (modelBytes <= cache) {
        summary.modelCopySeconds = transferSeconds(modelBytes, summary.rateBeforeCliffMiBps);
    } else {
        summary.modelCopySeconds = transferSeconds(cache, summary.rateBeforeCliffMiBps) +
                                   transferSeconds(modelBytes - cache, summary.rateAfterCliffMiBps);
    }
    return summary;
}

}  // namespace orvane
