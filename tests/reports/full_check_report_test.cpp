// The full check's report texts from made-up results.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/measurement_methods.h"
#include "reports/full_check_report.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

constexpr std::uint64_t kM = 1048576;

FullCheckResult wrappedDrive() {
    FullCheckResult result;
    result.status = RunStatus::kCompleted;
    result.filledBytes = 8 * kM;
    result.tally = {2 * kM, 5 * kM, kM, 0, 0};
    result.firstBadPosition = 0;
    result.write.cacheBytes = 4 * kM;
    for (std::uint64_t i = 0; i < 8; ++i) {
        result.writeCurve.push_back({i * kM, kM, i < 4 ? 0.01 : 0.1});
        result.readCurve.push_back({i * kM, kM, 0.02});
    }
    result.verdict = "Lost <data> & more";
    return result;
}

// The golden files pin the tally, the curves, the plot's scales and the escaped verdict.
TEST(FullCheckReport, WrappedDriveMatchesTheGoldenFiles) {
    nlohmann::json report = nlohmann::json::parse(writeFullCheckJson(wrappedDrive()));
    EXPECT_EQ(report.at("platform"), runningMeasurementMethods().platform);
    report.erase("platform");
    EXPECT_EQ(report.dump(2), testing::goldenText("full_check.json", report.dump(2)));
    const std::string svg = writeFullCheckSvg(wrappedDrive());
    EXPECT_EQ(svg, testing::goldenText("full_check.svg", svg));
}

TEST(FullCheckReport, NoCliffWithoutACacheAndLongVerdictsBreakAtSpaces) {
    FullCheckResult result = wrappedDrive();
    result.firstBadPosition.reset();
    result.write.cacheBytes.reset();
    const auto plain = nlohmann::json::parse(writeFullCheckJson(result));
    EXPECT_TRUE(plain.at("firstBadPosition").is_null() && plain.at("cacheBytes").is_null());
    // Lines of at most 100 characters.
    const std::string fits = std::string(50, 'a') + " " + std::string(49, 'b');
    const std::string tail = std::string(60, 'c');
    result.verdict = fits + " " + tail;
    const std::string wrapped = writeFullCheckSvg(result);
    EXPECT_NE(wrapped.find(">" + fits + "</text>"), std::string::npos);
    EXPECT_NE(wrapped.find(">" + tail + "</text>"), std::string::npos);
    EXPECT_EQ(wrapped.find("write cache ends"), std::string::npos);
    result.verdict = std::string(96, 'd') + " 1.1 GB: e";
    EXPECT_NE(writeFullCheckSvg(result).find(">1.1 GB: e</text>"), std::string::npos);
    EXPECT_EQ(besideReport("d/check.json", ".csv"), std::filesystem::path("d/check.csv"));
    EXPECT_EQ(besideReport("d/check", ".svg"), std::filesystem::path("d/check.svg"));
}

}  // namespace
}  // namespace orvane
