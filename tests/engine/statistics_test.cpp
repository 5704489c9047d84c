#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/statistics.h"

namespace orvane {
namespace {

TEST(Statistics, ThroughputIsMebibytesPerSecondWithAMicrosecondFloor) {
    const Metric metric =
        makeThroughputMetric("sequential_write", "Sequential write / 1 MiB", 1073741824ull, 2.0);
    EXPECT_DOUBLE_EQ(metric.value, 512.0);
    EXPECT_EQ(metric.unit, "MiB/s");
    EXPECT_EQ(metric.bytes, 1073741824u);
    EXPECT_EQ(metric.operations, 0u);
    EXPECT_TRUE(metric.note.empty());
    EXPECT_EQ(makeThroughputMetric("x", "x", 0, 0.0).value, 0.0);
    // 1 MiB in "0 s" is divided by the floor, not by zero.
    EXPECT_DOUBLE_EQ(makeThroughputMetric("x", "x", 1048576, 0.0).value, 1e6);
    EXPECT_DOUBLE_EQ(ratePerSecond(500, 0.25), 2000.0);
}

TEST(Statistics, NearestRankPercentiles) {
    Metric metric;
    fillLatencyPercentiles(metric, {4, 1, 3, 2});
    EXPECT_EQ(metric.p50ms, 2);  // the lower middle sample for an even count
    EXPECT_EQ(metric.p95ms, 4);
    EXPECT_EQ(metric.p99ms, 4);
    EXPECT_EQ(metric.maxms, 4);

    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(i);
    fillLatencyPercentiles(metric, hundred);
    EXPECT_EQ(metric.p50ms, 50);
    EXPECT_EQ(metric.p95ms, 95);
    EXPECT_EQ(metric.p99ms, 99);
    EXPECT_EQ(metric.maxms, 100);
    EXPECT_EQ(hundred.front(), 100);  // the caller's list is left unsorted

    fillLatencyPercentiles(metric, {7.5});
    EXPECT_EQ(metric.p50ms, 7.5);
    EXPECT_EQ(metric.maxms, 7.5);
    fillLatencyPercentiles(metric, {});
    EXPECT_EQ(metric.p50ms, 0);
    EXPECT_EQ(metric.maxms, 0);
    EXPECT_EQ(percentileOf({3, 9, 5}, 0.0), 3);
}

TEST(Statistics, PercentileOutsideRangeIsRefusedOnlyWithSamples) {
    try {
        percentileOf({1.0}, 1.5);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Percentile outside 0..1");
    }
    EXPECT_THROW(percentileOf({1.0}, -0.1), std::invalid_argument);
    EXPECT_EQ(percentileOf({}, 1.5), 0.0);
}

TEST(Statistics, MetricValueTakesTheFirstMatch) {
    RunResult result;
    Metric first;
    first.id = "random_read";
    first.value = 10;
    Metric second = first;
    second.value = 20;
    result.metrics = {first, second};
    EXPECT_EQ(metricValue(result, "random_read"), 10);
    EXPECT_EQ(metricValue(result, "random_write"), 0.0);
    EXPECT_EQ(metricValue(result, "random_rea"), 0.0);
}

}  // namespace
}  // namespace orvane
