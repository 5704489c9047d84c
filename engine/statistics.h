#pragma once
// How every figure of a Metric is computed, in one place for fresh runs and saved reports.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_records.h"

namespace orvane {

// value = MiB / max(seconds, 1 µs); no latencies, no operations.
Metric makeThroughputMetric(const std::string& id, const std::string& name, std::uint64_t bytes,
                            double seconds);

// Requests or files per second over a measured window.
double ratePerSecond(std::uint64_t count, double seconds);

// Nearest-rank percentile of a private copy; 0.0 for no samples; p outside 0..1 throws.
double percentileOf(const std::vector<double>& samples, double p);

// p50, p95, p99 and max of latency samples in milliseconds.
void fillLatencyPercentiles(Metric& metric, const std::vector<double>& samples);

// value of the first metric with this id, 0.0 when none.
double metricValue(const RunResult& result, const std::string& id);

}  // namespace orvane
