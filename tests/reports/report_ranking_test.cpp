#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "reports/report_ranking.h"
#include "reports/report_timestamp.h"

namespace orvane {
namespace {

using Names = std::vector<std::string>;
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

Names sortedBy(std::vector<SavedReport> reports, ColumnSort sort = {}) {
    rankReports(reports, sort);
    Names out;
    for (const SavedReport& r : reports)
        out.push_back(r.displayName +
                      (sort.column == ReportColumn::Rank ? "" : "#" + std::to_string(r.rank)));
    return out;
}

TEST(Ranking, LevelFirstThenReadTimeThenIdentity) {
    EXPECT_EQ(
        sortedBy({report("slowCaution", 1, 10), report("unknownGood", 0, kUnknown),
                  report("fastGood", 0, 30), report("slowGood", 0, 80), report("failed", 2, 5)}),
        (Names{"fastGood", "slowGood", "unknownGood", "slowCaution", "failed"}));
    SavedReport linux = report("linux", 1, kUnknown, "2020-01-01T00:00:00Z");
    linux.platform = "Linux";
    EXPECT_EQ(sortedBy({report("later", 1, kUnknown, "2025-06-01T00:00:00Z"),
                        report("folderB", 1, kUnknown), linux, report("folderA", 1, kUnknown)}),
              (Names{"linux", "folderA", "folderB", "later"}));
}

TEST(Ranking, ColumnSortKeepsRankNumbersAndBreaksTiesByRank) {
    std::vector<SavedReport> reports = {report("c", 1, 10), report("b", 0, 50), report("a", 0, 20)};
    for (SavedReport& r : reports)
        r.profile = "Quick";
    reports[1].profile = "Extended";
    EXPECT_EQ(sortedBy(reports, {ReportColumn::Profile, true}), (Names{"b#2", "a#1", "c#3"}));
}

// Each column, both directions: the reports, ascending, then descending.
struct OrderCase {
    const char* name;
    ReportColumn column;
    std::vector<SavedReport> reports;
    Names ascending, descending;
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.name;
}

class RankingOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(RankingOrder, SortsBothWays) {
    const auto plain = [](Names names) {
        for (std::string& name : names)
            name = name.substr(0, name.find('#'));
        return names;
    };
    EXPECT_EQ(plain(sortedBy(GetParam().reports, {GetParam().column, true})), GetParam().ascending);
    EXPECT_EQ(plain(sortedBy(GetParam().reports, {GetParam().column, false})),
              GetParam().descending);
}

OrderCase numberColumn(const char* name, ReportColumn column, double SavedReport::*field) {
    OrderCase c{name,
                column,
                {report("mid", 0, 1), report("low", 0, 2), report("high", 0, 3)},
                {"low", "mid", "high"},
                {"high", "mid", "low"}};
    c.reports[0].*field = 50;
    c.reports[1].*field = 5;
    c.reports[2].*field = 500;
    return c;
}

// Unknown model read times go last both ways; text compares bytes; offsets are parsed and invalid
// times go last; offset and utc are the same instant, so their identity decides both ways.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Columns, RankingOrder, ::testing::Values(
    numberColumn("Capacity", ReportColumn::Capacity, &SavedReport::totalBytes),
    numberColumn("Allocation", ReportColumn::Allocation, &SavedReport::allocationUnitBytes),
    numberColumn("ReadMiBs", ReportColumn::ReadMiBs, &SavedReport::sequentialRead),
    numberColumn("WriteMiBs", ReportColumn::WriteMiBs, &SavedReport::sequentialWrite),
    numberColumn("ModelRead", ReportColumn::ModelReadSeconds, &SavedReport::modelReadSeconds),
    numberColumn("RandomRead", ReportColumn::RandomReadIops, &SavedReport::randomRead),
    numberColumn("RandomWrite", ReportColumn::RandomWriteIops, &SavedReport::randomWrite),
    numberColumn("SmallWrites", ReportColumn::SmallWrites, &SavedReport::smallFileWrite),
    OrderCase{"Rank", ReportColumn::Rank, {report("second", 0, 20), report("third", 1, 1), report("first", 0, 10)},
              {"first", "second", "third"}, {"third", "second", "first"}},
    OrderCase{"UnknownReadTimeLast", ReportColumn::ModelReadSeconds, {report("unknown", 0, kUnknown), report("slow", 1, 200), report("fast", 1, 20)},
              {"fast", "slow", "unknown"}, {"slow", "fast", "unknown"}},
    OrderCase{"TextBytes", ReportColumn::DriveTest, {report("alpha", 0, 1), report("Zeta", 0, 2), report("\xC3\x84rger", 0, 3), report("Zet", 0, 4)},
              {"Zet", "Zeta", "alpha", "\xC3\x84rger"}, {"\xC3\x84rger", "alpha", "Zeta", "Zet"}},
    OrderCase{"TestedTime", ReportColumn::TestedUtc,
              {report("invalidLeap", 0, 1, "2023-02-29T10:00:00Z"), report("leap", 0, 2, "2024-02-29T10:00:00Z"), report("noZone", 0, 3, "2024-05-01T12:00:00"),
               report("offset", 0, 4, "2024-05-01T12:00:00+02:00"), report("utc", 0, 5, "2024-05-01T10:00:00Z"),
               report("fraction", 0, 6, "2024-05-01T10:00:00.25Z"), report("western", 0, 7, "2024-04-30T23:30:00-10:45")},
              {"leap", "utc", "offset", "fraction", "western", "invalidLeap", "noZone"},
              {"western", "fraction", "utc", "offset", "leap", "invalidLeap", "noZone"}}),
    [](const auto& param) { return std::string(param.param.name); });
// clang-format on

TEST(Ranking, SameRunReplacesItsEntryInPlace) {
    std::vector<SavedReport> reports = {report("a", 0, 1), report("b", 0, 2)};
    SavedReport again = report("b", 0, 2);
    again.displayName = "b again";
    addOrReplaceReport(reports, again);
    EXPECT_EQ(reports[1].displayName, "b again");
    SavedReport otherFolder = again, otherPlatform = again, otherTime = again;
    otherFolder.scratchFolder += "x";
    otherPlatform.platform = "Linux";
    otherTime.timestampUtc = "2025-01-01T00:00:00+00:00";  // same instant, different text
    for (const SavedReport& other : {otherFolder, otherPlatform, otherTime})
        addOrReplaceReport(reports, other);
    EXPECT_EQ(reports.size(), 5u);
}

TEST(ReportTimestamp, ValueOfValidTexts) {
    const auto at = parseReportTimestamp;
    EXPECT_EQ(at("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(at("2025-01-31T18:04:05Z"), 1738346645.0);
    EXPECT_EQ(at("2024-05-01T12:00:00+02:00"), at("2024-05-01T10:00:00Z"));
    EXPECT_EQ(at("2024-05-01T00:00:00-23:59"), at("2024-05-01T23:59:00Z"));
    EXPECT_EQ(at("2024-05-01T10:00:00.25Z") - at("2024-05-01T10:00:00Z"), 0.25);
    EXPECT_EQ(at("2000-02-29T00:00:00Z"), 951782400.0);
    EXPECT_EQ(at("1969-12-31T23:59:59Z"), -1.0);
    EXPECT_EQ(at("0000-03-01T00:00:00Z"), -62162035200.0);
    EXPECT_EQ(at("9999-12-31T23:59:59Z"), 253402300799.0);
    // A long fraction neither crashes nor loses the second.
    EXPECT_NEAR(
        at("2024-05-01T10:00:00." + std::string(1500000, '5') + "Z") - at("2024-05-01T10:00:00Z"),
        0.5555555, 1e-6);
}

TEST(ReportTimestamp, InvalidTextsAreInfinite) {
    // clang-format off
    for (const char* text : {"", "2024-05-01T12:00:00", "2024-05-01 12:00:00Z", "2024-5-01T12:00:00Z",
             "2024-05-01T12:00:00z", "2024-05-01T12:00:00.Z", "2024-05-01T12:00:00Z ", " 2024-05-01T12:00:00Z",
             "2024-05-01T12:00:00+0200", "2024-05-01T12:00:00+02:0", "2023-02-29T10:00:00Z", "1900-02-29T00:00:00Z",
             "2024-13-01T00:00:00Z", "2024-00-01T00:00:00Z", "2024-04-31T00:00:00Z", "2024-01-00T00:00:00Z",
             "2024-01-01T24:00:00Z", "2024-01-01T00:60:00Z", "2024-01-01T00:00:60Z", "2024-01-01T00:00:00+24:00",
             "2024-01-01T00:00:00-00:60", "+2024-01-01T00:00:00Z", "2024-01-01T00:00:00\xD9\xA0Z",
             "\xD9\xA2\xD9\xA0\xD9\xA2\xD9\xA4-01-01T00:00:00Z"})
        EXPECT_TRUE(std::isinf(parseReportTimestamp(text))) << text;
    // clang-format on
}

}  // namespace
}  // namespace orvane
