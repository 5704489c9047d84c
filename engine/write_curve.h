#pragma once
// The write curve of a long fill: the first GiB's rate, the cliff where a cache runs out, and what
// a model copy costs at those rates. Pure arithmetic over timed slices.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/byte_units.h"

namespace orvane {

// One timed stretch of a sequential transfer, in order from the start.
struct CurveSlice {
    std::uint64_t position = 0;  // bytes before this slice
    std::uint64_t bytes = 0;
    double seconds = 0.0;

    double mebibytesPerSecond() const;
};

// Sizes that shape the curve; tests shrink them to keep fills small.
struct CurveRules {
    std::uint64_t sliceBytes = 64 * kMiB;
    std::uint64_t referenceBytes = kGiB;  // the stretch whose rate is the cache rate
    std::uint64_t sustainBytes = kGiB;    // how long a drop must last to count as the cliff
};

struct WriteCurveSummary {
    double rateBeforeCliffMiBps = 0.0;        // the rate over the first referenceBytes
    std::optional<std::uint64_t> cacheBytes;  // where the cliff starts; none when it never falls
    double rateAfterCliffMiBps = 0.0;         // from the cliff to the end; the rate before if none
    double modelCopySeconds = 0.0;
};

// Seconds to move bytes at a rate in MiB/s (the benchmark's model-read formula); 0 at no rate.
double transferSeconds(double bytes, double mebibytesPerSecond);

// The cliff is the first slice from which every slice for at least sustainBytes, or to the end,
// runs below half the reference rate. modelBytes are copied at the reference rate up to the cliff
// and at the rate after it beyond.
WriteCurveSummary summarizeWriteCurve(const std::vector<CurveSlice>& slices,
                                      const CurveRules& rules, double modelBytes);

}  // namespace orvane
