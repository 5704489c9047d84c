#pragma once
// The two ranges a model size may take, each defined once.

#include <cmath>

namespace orvane {

inline constexpr double kMaximumModelGB = 1000.0;
// The smallest size a person may enter to compare runs; a run itself takes any positive size.
inline constexpr double kMinimumEnteredModelGB = 0.1;

// A run's model size (command line, recorded in reports): above 0, at most 1000 GB.
inline bool isRunModelSize(double modelGB) {
    return std::isfinite(modelGB) && modelGB > 0.0 && modelGB <= kMaximumModelGB;
}

// A size entered to compare runs (the window's box, the comparison tool): 0.1 to 1000 GB.
inline bool isEnteredModelSize(double modelGB) {
    return std::isfinite(modelGB) && modelGB >= kMinimumEnteredModelGB &&
           modelGB <= kMaximumModelGB;
}

}  // namespace orvane
