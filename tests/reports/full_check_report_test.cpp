// The full check's report texts from made-up results.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "reports/full_check_report.h"

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
        result.readCurve.push_back({i * kM, kM, 0.005});
    }
    result.verdict = "Lost <data> & more";
    return result;
}

TEST(FullCheckReport, JsonCarriesTheTallyCurvesAndNulls) {
    const auto report = nlohmann::json::parse(writeFullCheckJson(wrappedDrive()));
    EXPECT_EQ(report.at("schemaVersion"), 1);
    EXPECT_EQ(report.at("wrappedBytes"), 5 * kM);
    EXPECT_EQ(report.at("foreignBytes"), kM);
    EXPECT_EQ(report.at("usableBytes"), 2 * kM);
    EXPECT_EQ(report.at("firstBadPosition"), 0);
    EXPECT_EQ(report.at("cacheBytes"), 4 * kM);
    EXPECT_EQ(report.at("writeCurve")[5], nlohmann::json({5 * kM, 10.0}));
    FullCheckResult honest = wrappedDrive();
    honest.firstBadPosition.reset();
    honest.write.cacheBytes.reset();
    const auto plain = nlohmann::json::parse(writeFullCheckJson(honest));
    EXPECT_TRUE(plain.at("firstBadPosition").is_null() && plain.at("cacheBytes").is_null());
}

TEST(FullCheckReport, SvgMarksTheCliffOnlyWhenThereIsOneAndEscapesText) {
    FullCheckResult result = wrappedDrive();
    const std::string svg = writeFullCheckSvg(result);
    for (const char* part :
         {"write cache ends at 0.0 GB", "Lost &lt;data&gt; &amp; more", "Rate (MiB/s)"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '<'), std::count(svg.begin(), svg.end(), '>'));
    // A long verdict breaks at a space into lines of at most 100 characters.
    const std::string fits = std::string(50, 'a') + " " + std::string(49, 'b');
    const std::string tail = std::string(60, 'c');
    result.verdict = fits + " " + tail;
    const std::string wrapped = writeFullCheckSvg(result);
    EXPECT_NE(wrapped.find(">" + fits + "</text>"), std::string::npos);
    EXPECT_NE(wrapped.find(">" + tail + "</text>"), std::string::npos);
    result.verdict = std::string(96, 'd') + " 1.1 GB: e";
    EXPECT_NE(writeFullCheckSvg(result).find(">1.1 GB: e</text>"), std::string::npos);
    result.write.cacheBytes.reset();
    EXPECT_EQ(writeFullCheckSvg(result).find("write cache ends"), std::string::npos);
    EXPECT_EQ(besideReport("d/check.json", ".csv"), std::filesystem::path("d/check.csv"));
    EXPECT_EQ(besideReport("d/check", ".svg"), std::filesystem::path("d/check.svg"));
}

}  // namespace
}  // namespace orvane
