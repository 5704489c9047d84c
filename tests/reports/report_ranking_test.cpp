#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "reports/report_ranking.h"
#include "reports/report_timestamp.h"

namespace orvane {
namespace {

constexpr double kUnknown = std::numeric_limits<double>::infinity();

SavedReport report(const std::string& name, int level, double readSeconds,
                   const std::string& timestamp = "2025-01-01T00:00:00Z") {
    SavedReport r;
    r.displayName = name;
    r.platform = "Windows";
    r.timestampUtc = timestamp;
    r.scratchFolder = "E:\\.orvane-varnolt-" + name;
    r.suitabilityLevel = level;
    r.modelReadSeconds = readSeconds;
    return r;
}

std::vector<std::string> names(const std::vector<SavedReport>& reports) {
    std::vector<std::string> out;
    for (const SavedReport& r : reports)
        out.push_back(r.displayName);
    return out;
}

std::vector<std::string> sortedBy(std::vector<SavedReport> reports, ReportColumn column,
                                  bool ascending) {
    rankReports(reports, {column, ascending});
    return names(reports);
}

using ::testing::ElementsAre;

TEST(Ranking, LevelFirstThenReadTimeThenIdentity) {
    std::vector<SavedReport> reports = {
        report("slowCaution", 1, 10), report("unknownGood", 0, kUnknown),
        report("fastGood", 0, 30),    report("slowGood", 0, 80),
        report("failed", 2, 5),
    };
    rankReports(reports, {});
    EXPECT_THAT(names(reports),
                ElementsAre("fastGood", "slowGood", "unknownGood", "slowCaution", "failed"));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].rank, static_cast<int>(i) + 1);
    }
}

TEST(Ranking, EqualLevelsAndUnknownEstimatesFallBackToPlatformTimestampFolder) {
    SavedReport linux = report("linux", 1, kUnknown, "2020-01-01T00:00:00Z");
    linux.platform = "Linux";
    SavedReport later = report("later", 1, kUnknown, "2025-06-01T00:00:00Z");
    SavedReport folderB = report("folderB", 1, kUnknown, "2025-01-01T00:00:00Z");
    SavedReport folderA = report("folderA", 1, kUnknown, "2025-01-01T00:00:00Z");
    std::vector<SavedReport> reports = {later, folderB, linux, folderA};
    rankReports(reports, {});
    EXPECT_THAT(names(reports), ElementsAre("linux", "folderA", "folderB", "later"));
}

TEST(Ranking, ColumnSortKeepsRankNumbersAndBreaksTiesByRank) {
    std::vector<SavedReport> reports = {report("c", 1, 10), report("b", 0, 50), report("a", 0, 20)};
    for (SavedReport& r : reports)
        r.profile = "Quick";
    reports[1].profile = "Extended";
    rankReports(reports, {ReportColumn::Profile, true});
    EXPECT_THAT(names(reports), ElementsAre("b", "a", "c"));
    EXPECT_EQ(reports[0].rank, 2);  // ranks follow suitability, not the shown order
    EXPECT_EQ(reports[1].rank, 1);
    EXPECT_EQ(reports[2].rank, 3);
}

// Each number column, both directions.
struct NumberColumnCase {
    ReportColumn column;
    double SavedReport::*field;
};

void PrintTo(const NumberColumnCase& c, std::ostream* out) {
    *out << "column " << static_cast<int>(c.column);
}

class RankingNumberColumn : public ::testing::TestWithParam<NumberColumnCase> {};

TEST_P(RankingNumberColumn, SortsBothWays) {
    std::vector<SavedReport> reports = {report("mid", 0, 1), report("low", 0, 2),
                                        report("high", 0, 3)};
    reports[0].*GetParam().field = 50;
    reports[1].*GetParam().field = 5;
    reports[2].*GetParam().field = 500;
    EXPECT_THAT(sortedBy(reports, GetParam().column, true), ElementsAre("low", "mid", "high"));
    EXPECT_THAT(sortedBy(reports, GetParam().column, false), ElementsAre("high", "mid", "low"));
}

INSTANTIATE_TEST_SUITE_P(
    Columns, RankingNumberColumn,
    ::testing::Values(NumberColumnCase{ReportColumn::Capacity, &SavedReport::totalBytes},
                      NumberColumnCase{ReportColumn::Allocation, &SavedReport::allocationUnitBytes},
                      NumberColumnCase{ReportColumn::ReadMiBs, &SavedReport::sequentialRead},
                      NumberColumnCase{ReportColumn::WriteMiBs, &SavedReport::sequentialWrite},
                      NumberColumnCase{ReportColumn::ModelReadSeconds,
                                       &SavedReport::modelReadSeconds},
                      NumberColumnCase{ReportColumn::RandomReadIops, &SavedReport::randomRead},
                      NumberColumnCase{ReportColumn::RandomWriteIops, &SavedReport::randomWrite},
                      NumberColumnCase{ReportColumn::SmallWrites, &SavedReport::smallFileWrite}));

// Reports, the column, the order ascending, then descending.
struct OrderCase {
    const char* name;
    std::vector<SavedReport> reports;
    ReportColumn column;
    std::vector<std::string> ascending, descending;
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.name;
}

class RankingOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(RankingOrder, SortsBothWays) {
    EXPECT_EQ(sortedBy(GetParam().reports, GetParam().column, true), GetParam().ascending);
    EXPECT_EQ(sortedBy(GetParam().reports, GetParam().column, false), GetParam().descending);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, RankingOrder,
    ::testing::Values(
        OrderCase{"Rank",
                  {report("second", 0, 20), report("third", 1, 1), report("first", 0, 10)},
                  ReportColumn::Rank,
                  {"first", "second", "third"},
                  {"third", "second", "first"}},
        // Unknown model read times go last in both directions.
        OrderCase{"UnknownReadTimeLast",
                  {report("unknown", 0, kUnknown), report("slow", 1, 200), report("fast", 1, 20)},
                  ReportColumn::ModelReadSeconds,
                  {"fast", "slow", "unknown"},
                  {"slow", "fast", "unknown"}},
        // Text compares bytes.
        OrderCase{"TextBytes",
                  {report("alpha", 0, 1), report("Zeta", 0, 2), report("\xC3\x84rger", 0, 3),
                   report("Zet", 0, 4)},
                  ReportColumn::DriveTest,
                  {"Zet", "Zeta", "alpha", "\xC3\x84rger"},
                  {"\xC3\x84rger", "alpha", "Zeta", "Zet"}},
        // Offsets are parsed and invalid times go last; offset and utc are the same instant, so
        // their identity (the timestamp text) decides both ways.
        OrderCase{"TestedTime",
                  {report("invalidLeap", 0, 1, "2023-02-29T10:00:00Z"),
                   report("leap", 0, 2, "2024-02-29T10:00:00Z"),
                   report("noZone", 0, 3, "2024-05-01T12:00:00"),
                   report("offset", 0, 4, "2024-05-01T12:00:00+02:00"),
                   report("utc", 0, 5, "2024-05-01T10:00:00Z"),
                   report("fraction", 0, 6, "2024-05-01T10:00:00.25Z"),
                   report("western", 0, 7, "2024-04-30T23:30:00-10:45")},
                  ReportColumn::TestedUtc,
                  {"leap", "utc", "offset", "fraction", "western", "invalidLeap", "noZone"},
                  {"western", "fraction", "utc", "offset", "leap", "invalidLeap", "noZone"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Ranking, SameRunReplacesItsEntryInPlace) {
    std::vector<SavedReport> reports = {report("a", 0, 1), report("b", 0, 2)};
    SavedReport again = report("b", 0, 2);
    again.displayName = "b again";
    addOrReplaceReport(reports, again);
    EXPECT_THAT(names(reports), ElementsAre("a", "b again"));

    SavedReport otherFolder = again;
    otherFolder.scratchFolder += "x";
    addOrReplaceReport(reports, otherFolder);
    SavedReport otherPlatform = again;
    otherPlatform.platform = "Linux";
    addOrReplaceReport(reports, otherPlatform);
    SavedReport otherTime = again;
    otherTime.timestampUtc = "2025-01-01T00:00:00+00:00";  // same instant, different text
    addOrReplaceReport(reports, otherTime);
    EXPECT_EQ(reports.size(), 5u);
}

TEST(ReportTimestamp, ValueOfValidTexts) {
    EXPECT_EQ(parseReportTimestamp("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(parseReportTimestamp("2025-01-31T18:04:05Z"), 1738346645.0);
    EXPECT_EQ(parseReportTimestamp("2024-05-01T12:00:00+02:00"),
              parseReportTimestamp("2024-05-01T10:00:00Z"));
    EXPECT_EQ(parseReportTimestamp("2024-05-01T00:00:00-23:59"),
              parseReportTimestamp("2024-05-01T23:59:00Z"));
    EXPECT_EQ(parseReportTimestamp("2024-05-01T10:00:00.25Z") -
                  parseReportTimestamp("2024-05-01T10:00:00Z"),
              0.25);
    EXPECT_EQ(parseReportTimestamp("2000-02-29T00:00:00Z"), 951782400.0);
    EXPECT_EQ(parseReportTimestamp("1969-12-31T23:59:59Z"), -1.0);
    EXPECT_EQ(parseReportTimestamp("0000-03-01T00:00:00Z"), -62162035200.0);
    EXPECT_EQ(parseReportTimestamp("9999-12-31T23:59:59Z"), 253402300799.0);
}

TEST(ReportTimestamp, InvalidTextsAreInfinite) {
    for (const char* text : {"",
                             "2024-05-01T12:00:00",
                             "2024-05-01 12:00:00Z",
                             "2024-5-01T12:00:00Z",
                             "2024-05-01T12:00:00z",
                             "2024-05-01T12:00:00.Z",
                             "2024-05-01T12:00:00Z ",
                             " 2024-05-01T12:00:00Z",
                             "2024-05-01T12:00:00+0200",
                             "2024-05-01T12:00:00+02:0",
                             "2023-02-29T10:00:00Z",
                             "1900-02-29T00:00:00Z",
                             "2024-13-01T00:00:00Z",
                             "2024-00-01T00:00:00Z",
                             "2024-04-31T00:00:00Z",
                             "2024-01-00T00:00:00Z",
                             "2024-01-01T24:00:00Z",
                             "2024-01-01T00:60:00Z",
                             "2024-01-01T00:00:60Z",
                             "2024-01-01T00:00:00+24:00",
                             "2024-01-01T00:00:00-00:60",
                             "+2024-01-01T00:00:00Z",
                             "2024-01-01T00:00:00\xD9\xA0Z",
                             "\xD9\xA2\xD9\xA0\xD9\xA2\xD9\xA4-01-01T00:00:00Z"}) {
        EXPECT_TRUE(std::isinf(parseReportTimestamp(text))) << text;
    }
}

TEST(ReportTimestamp, LongFractionNeitherCrashesNorLosesTheSecond) {
    const std::string text = "2024-05-01T10:00:00." + std::string(1500000, '5') + "Z";
    EXPECT_NEAR(parseReportTimestamp(text) - parseReportTimestamp("2024-05-01T10:00:00Z"),
                0.5555555, 1e-6);
}

}  // namespace
}  // namespace orvane
