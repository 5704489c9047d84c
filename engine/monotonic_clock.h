#pragma once
// Instants and windows of the run: a monotonic clock read in nanoseconds.

#include <chrono>

namespace orvane {

using MonotonicClock = std::chrono::steady_clock;
using Instant = MonotonicClock::time_point;

inline double secondsBetween(Instant start, Instant end) {
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
    return static_cast<double>(nanoseconds) / 1e9;
}

inline double secondsSince(Instant start) {
    return secondsBetween(start, MonotonicClock::now());
}

inline double millisecondsBetween(Instant start, Instant end) {
    return secondsBetween(start, end) * 1000.0;
}

}  // namespace orvane
