// The saved reports' table: rank and column order, report times, and the loader's start-up scan
// of the results folder and its import of chosen reports, on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "reports/report_ranking.h"
#include "reports/report_timestamp.h"
#include "reports/results_folder_loader.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
namespace t = orvane::testing;
using Names = std::vector<std::string>;
using Lines = Names;
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
    // A column sort keeps the rank numbers and breaks its ties by rank.
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
TEST(Ranking, EachColumnSortsBothWays) {
    // clang-format off
    const OrderCase cases[] = {
        numberColumn("Capacity", ReportColumn::Capacity, &SavedReport::totalBytes),
        numberColumn("Allocation", ReportColumn::Allocation, &SavedReport::allocationUnitBytes),
        numberColumn("ReadMiBs", ReportColumn::ReadMiBs, &SavedReport::sequentialRead),
        numberColumn("WriteMiBs", ReportColumn::WriteMiBs, &SavedReport::sequentialWrite),
        numberColumn("ModelRead", ReportColumn::ModelReadSeconds, &SavedReport::modelReadSeconds),
        numberColumn("RandomRead", ReportColumn::RandomReadIops, &SavedReport::randomRead),
        numberColumn("RandomWrite", ReportColumn::RandomWriteIops, &SavedReport::randomWrite),
        numberColumn("SmallWrites", ReportColumn::SmallWrites, &SavedReport::smallFileWrite),
        {"Rank", ReportColumn::Rank, {report("second", 0, 20), report("third", 1, 1), report("first", 0, 10)},
         {"first", "second", "third"}, {"third", "second", "first"}},
        {"UnknownReadTimeLast", ReportColumn::ModelReadSeconds, {report("unknown", 0, kUnknown), report("slow", 1, 200), report("fast", 1, 20)},
         {"fast", "slow", "unknown"}, {"slow", "fast", "unknown"}},
        {"TextBytes", ReportColumn::DriveTest, {report("alpha", 0, 1), report("Zeta", 0, 2), report("\xC3\x84rger", 0, 3), report("Zet", 0, 4)},
         {"Zet", "Zeta", "alpha", "\xC3\x84rger"}, {"\xC3\x84rger", "alpha", "Zeta", "Zet"}},
        {"TestedTime", ReportColumn::TestedUtc,
         {report("invalidLeap", 0, 1, "2023-02-29T10:00:00Z"), report("leap", 0, 2, "2024-02-29T10:00:00Z"), report("noZone", 0, 3, "2024-05-01T12:00:00"),
          report("offset", 0, 4, "2024-05-01T12:00:00+02:00"), report("utc", 0, 5, "2024-05-01T10:00:00Z"),
          report("fraction", 0, 6, "2024-05-01T10:00:00.25Z"), report("western", 0, 7, "2024-04-30T23:30:00-10:45")},
         {"leap", "utc", "offset", "fraction", "western", "invalidLeap", "noZone"},
         {"western", "fraction", "utc", "offset", "leap", "invalidLeap", "noZone"}}};
    // clang-format on
    const auto plain = [](Names names) {
        for (std::string& name : names)
            name = name.substr(0, name.find('#'));
        return names;
    };
    for (const OrderCase& c : cases) {
        EXPECT_EQ(plain(sortedBy(c.reports, {c.column, true})), c.ascending) << c.name;
        EXPECT_EQ(plain(sortedBy(c.reports, {c.column, false})), c.descending) << c.name;
    }
}

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

std::string sample(const char* name) {
    return t::readWholeFile(t::sampleReportsFolder() / name);
}

// Sorted display names, then the sorted problem lines.
Lines outcome(const ReportLoadResult& result) {
    Lines rows, problems;
    for (const SavedReport& row : result.rows)
        rows.push_back(row.displayName);
    for (const auto& problem : result.problems)
        problems.push_back(problemText(problem));
    std::sort(rows.begin(), rows.end());
    std::sort(problems.begin(), problems.end());
    rows.insert(rows.end(), problems.begin(), problems.end());
    return rows;
}

class ReportLoadingTest : public ::testing::Test {
  protected:
    fs::path results() const { return home_.path() / "results"; }
    fs::path outside(const std::string& name, const char* sample = t::kSuitableSample) const {
        t::writeWholeFile(elsewhere_.path() / name, orvane::sample(sample));
        return elsewhere_.path() / name;
    }
    void stored(const std::string& name, const std::string& text) const {
        fs::create_directories(results());
        t::writeWholeFile(results() / name, text);
    }
    ReportLoadResult import(std::vector<fs::path> paths,
                            std::vector<SavedReport> known = {}) const {
        return loadReports({std::move(paths), false, results(), std::move(known)});
    }

    t::TempFolder home_, elsewhere_;
};

TEST_F(ReportLoadingTest, ScanLoadsJsonFilesOfAnyCaseAndNamesTheBadOnes) {
    EXPECT_EQ(outcome(loadReports({{}, true, results(), {}})), Lines{});
    EXPECT_FALSE(fs::exists(results())) << "nothing to load creates nothing";
    fs::create_directories(results() / "nested.json");  // a folder, not a report
    stored("a.json", sample(t::kSuitableSample));
    stored("b.JSON", sample(t::kCautionSample));
    stored("c.txt", sample(t::kNotRecommendedSample));
    stored("huge.json", std::string(kReportSizeLimit + 1, ' '));
    stored("twice.json", R"({"schemaVersion": 1, "schemaVersion": 1})");
    const ReportLoadResult result = loadReports({{}, true, results(), {}});
    EXPECT_EQ(outcome(result),
              (Lines{"SD card 128GB", "USB SSD 1TB", "huge.json: Report exceeds 2 MiB.",
                     "twice.json: Duplicate JSON key."}));
    for (const SavedReport& row : result.rows)
        EXPECT_EQ(row.filePath.parent_path(), results());
    // A results folder that cannot be listed is a problem, not a silence.
    const Lines unlisted = outcome(loadReports({{}, true, results() / "a.json", {}}));
    ASSERT_EQ(unlisted.size(), 1u);
    EXPECT_EQ(unlisted[0].rfind("a.json: Cannot list the results folder: ", 0), 0u) << unlisted[0];
}

TEST_F(ReportLoadingTest, ImportCopiesUnderAFreeNameOnceAndNamesTheReportAfterItsFile) {
    stored("run.json", sample(t::kCautionSample));
    const ReportLoadResult result = import({outside("run.json")});
    ASSERT_EQ(outcome(result), Lines{"run"});
    EXPECT_EQ(result.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(t::readWholeFile(results() / "run-1.json"), sample(t::kSuitableSample));
    EXPECT_EQ(t::readWholeFile(results() / "run.json"), sample(t::kCautionSample)) << "replaced";
    // The same run again, now that the table holds it from the results folder: nothing copied.
    const auto before = t::snapshotFolder(results());
    const ReportLoadResult again = import({outside("run.json")}, result.rows);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(t::snapshotFolder(results()), before);
    // A run the table knows only from elsewhere is still copied.
    SavedReport known = t::loadSampleReport(t::kNotRecommendedSample);
    known.filePath = outside("stick.json", t::kNotRecommendedSample);
    const ReportLoadResult copied = import({known.filePath}, {known});
    ASSERT_EQ(copied.rows.size(), 1u);
    EXPECT_EQ(copied.rows[0].filePath, results() / "stick.json");
    EXPECT_TRUE(fs::exists(results() / "stick.json"));
}

// Two files of one run copy only the first; a file that fails leaves nothing behind.
TEST_F(ReportLoadingTest, OneCopyPerRunAndNothingOfAFailedFile) {
    const ReportLoadResult result =
        import({elsewhere_.path() / "missing.json", outside("first.json"), outside("second.json"),
                outside("other.json", t::kCautionSample)});
    ASSERT_EQ(result.rows.size(), 2u);
    // The later file wins the row but keeps the one stored copy.
    EXPECT_EQ(result.rows[0].displayName, "second");
    EXPECT_EQ(result.rows[0].filePath, results() / "first.json");
    EXPECT_EQ(result.rows[1].filePath, results() / "other.json");
    EXPECT_EQ(t::snapshotFolder(results()).size(), 2u);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(problemText(result.problems[0]).rfind("missing.json: ", 0), 0u);

    // A results folder that cannot be made names every file.
    t::writeWholeFile(home_.path() / "blocker", "not a folder");
    const Lines blocked = outcome(
        loadReports({{outside("good.json")}, false, home_.path() / "blocker" / "results", {}}));
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(blocked[0].rfind("good.json: Cannot create the results folder: ", 0), 0u);
}

}  // namespace
}  // namespace orvane
