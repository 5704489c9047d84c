// The cliff rule and the copy time over hand-made curves of 64 MiB slices.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

#include "engine/write_curve.h"

namespace orvane {
namespace {

constexpr double kSlice = 64.0 * 1048576;

// Runs of (slice count, MiB/s) laid end to end.
std::vector<CurveSlice> curve(const std::vector<std::pair<int, double>>& runs) {
    std::vector<CurveSlice> slices;
    std::uint64_t position = 0;
    for (const auto& [count, rate] : runs) {
        for (int i = 0; i < count; ++i) {
            slices.push_back({position, 64 * kMiB, 64.0 / rate});
            position += 64 * kMiB;
        }
    }
    return slices;
}

struct CurveCase {
    const char* name;
    std::vector<std::pair<int, double>> runs;
    std::optional<std::uint64_t> cacheBytes;
    double before;
    double after;
};

void PrintTo(const CurveCase& row, std::ostream* out) {
    *out << row.name;
}

class WriteCurve : public ::testing::TestWithParam<CurveCase> {};

TEST_P(WriteCurve, FindsTheCliffAndTheRatesAroundIt) {
    const CurveCase& c = GetParam();
    const WriteCurveSummary summary = summarizeWriteCurve(curve(c.runs), CurveRules{}, 1e9);
    EXPECT_EQ(summary.cacheBytes, c.cacheBytes);
    EXPECT_NEAR(summary.rateBeforeCliffMiBps, c.before, 1e-6);
    EXPECT_NEAR(summary.rateAfterCliffMiBps, c.after, 1e-6);
}

const CurveCase kCases[] = {
    {"Steady", {{40, 100.0}}, std::nullopt, 100.0, 100.0},
    {"CacheRunsOutAfterTwoGiB", {{32, 100.0}, {20, 30.0}}, 2 * kGiB, 100.0, 30.0},
    {"DropShorterThanAGiBThenRecovers",
     {{16, 100.0}, {15, 30.0}, {16, 100.0}},
     std::nullopt,
     100.0,
     100.0},
    {"ShortDropAtTheEndCounts", {{16, 100.0}, {16, 100.0}, {3, 30.0}}, 2 * kGiB, 100.0, 30.0},
    {"ExactlyHalfIsNoCliff", {{16, 100.0}, {20, 50.0}}, std::nullopt, 100.0, 100.0},
    // The reference is the whole first GiB, so a cache of half a GiB only lowers that rate.
    {"CacheSmallerThanTheFirstGiB",
     {{8, 120.0}, {40, 20.0}},
     std::nullopt,
     1024.0 / (512.0 / 120 + 512.0 / 20),
     1024.0 / (512.0 / 120 + 512.0 / 20)},
    {"SmallerThanAGiB", {{4, 80.0}}, std::nullopt, 80.0, 80.0},
    // A slice timed at zero seconds has no rate to report, not an infinite one.
    {"TimedAtZeroSeconds", {{4, std::numeric_limits<double>::infinity()}}, std::nullopt, 0.0, 0.0},
};

INSTANTIATE_TEST_SUITE_P(Cases, WriteCurve, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(WriteCurveModelCopy, CopiesAtTheCacheRateThenAtTheRateAfter) {
    const auto slices = curve({{16, 100.0}, {32, 25.0}});
    const double inCache = 1e9;
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, inCache).modelCopySeconds,
                inCache / (100.0 * 1048576), 1e-9);
    const double pastCache = 6.6e9;
    const double expected =
        kSlice * 16 / (100.0 * 1048576) + (pastCache - kSlice * 16) / (25.0 * 1048576);
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, pastCache).modelCopySeconds, expected,
                1e-9);
}

}  // namespace
}  // namespace orvane
