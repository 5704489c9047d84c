#include "engine/statistics.h"
#include "platform/byte_units.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace orvane {

Metric makeThroughputMetric(const std::string& id, const std::string& name, std::uint64_t bytes,
                            double seconds) {
    Metric metric;
    metric.id = id;
    metric.name = name;
    metric.unit = "MiB/s";
    metric.bytes = bytes;
    metric.seconds = seconds;
    metric.value =
        (static_cast<double>(bytes) / static_cast<double>(kMiB)) / std::max(seconds, 0.000001);
    return metric;
}

double ratePerSecond(std::uint64_t count, double seconds) {
    return static_cast<double>(count) / seconds;
}

double percentileOf(const std::vector<double>& samples, double p) {
    if (samples.empty())
        return 0.0;
    if (!(p >= 0.0 && p <= 1.0))
        throw std::invalid_argument("Percentile outside 0..1");
    std::vector<double> sorted(samples);
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(static_cast<double>(sorted.size()) * p);
    const std::size_t k = static_cast<std::size_t>(rank);
    return k == 0 ? sorted.front() : sorted[std::min(k, sorted.size()) - 1];
}

void fillLatencyPercentiles(Metric& metric, const std::vector<double>& samples) {
    metric.p50ms = percentileOf(samples, 0.5);
    metric.p95ms = percentileOf(samples, 0.95);
    metric.p99ms = percentileOf(samples, 0.99);
    metric.maxms = percentileOf(samples, 1.0);
}

double metricValue(const RunResult& result, const std::string& id) {
    for (const auto& metric : result.metrics) {
        if (metric.id == id)
            return metric.value;
    }
    return 0.0;
}

}  // namespace orvane
