// The report loader's body: the start-up scan of the results folder and the import that copies
// chosen reports into it, on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "reports/results_folder_loader.h"
#include "reports/suggested_report_name.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
namespace t = orvane::testing;
using Lines = std::vector<std::string>;

class ReportLoadingTest : public ::testing::Test {
  protected:
    fs::path results() const { return home_.path() / "results"; }
    fs::path outside(const std::string& name, const char* sample = t::kSuitableSample) const {
        t::writeWholeFile(elsewhere_.path() / name,
                          t::readWholeFile(t::sampleReportsFolder() / sample));
        return elsewhere_.path() / name;
    }
    void stored(const std::string& name, const std::string& text) const {
        fs::create_directories(results());
        t::writeWholeFile(results() / name, text);
    }
    // Sorted display names and sorted problem lines.
    static std::pair<Lines, Lines> outcome(const ReportLoadResult& result) {
        std::pair<Lines, Lines> out;
        for (const SavedReport& row : result.rows)
            out.first.push_back(row.displayName);
        for (const auto& problem : result.problems)
            out.second.push_back(problemText(problem));
        std::sort(out.first.begin(), out.first.end());
        std::sort(out.second.begin(), out.second.end());
        return out;
    }
    ReportLoadResult import(std::vector<fs::path> paths,
                            std::vector<SavedReport> known = {}) const {
        return loadReports({std::move(paths), false, results(), std::move(known)});
    }
    ReportLoadResult scan() const { return loadReports({{}, true, results(), {}}); }

    t::TempFolder home_, elsewhere_;
};

std::string sample(const char* name) {
    return t::readWholeFile(t::sampleReportsFolder() / name);
}

TEST_F(ReportLoadingTest, ScanLoadsJsonFilesOfAnyCaseAndNamesTheBadOnes) {
    EXPECT_EQ(outcome(scan()), (std::pair<Lines, Lines>{}));
    EXPECT_FALSE(fs::exists(results())) << "nothing to load creates nothing";
    fs::create_directories(results() / "nested.json");  // a folder, not a report
    stored("a.json", sample(t::kSuitableSample));
    stored("b.JSON", sample(t::kCautionSample));
    stored("c.txt", sample(t::kNotRecommendedSample));
    stored("huge.json", std::string(kReportSizeLimit + 1, ' '));
    stored("twice.json", R"({"schemaVersion": 1, "schemaVersion": 1})");
    const ReportLoadResult result = scan();
    EXPECT_EQ(outcome(result), (std::pair<Lines, Lines>{{"SD card 128GB", "USB SSD 1TB"},
                                                        {"huge.json: Report exceeds 2 MiB.",
                                                         "twice.json: Duplicate JSON key."}}));
    for (const SavedReport& row : result.rows)
        EXPECT_EQ(row.filePath.parent_path(), results());
}

TEST_F(ReportLoadingTest, AResultsFolderThatCannotBeListedIsAProblemNotASilence) {
    t::writeWholeFile(results(), "a file where the folder belongs");
    const auto [rows, problems] = outcome(scan());
    ASSERT_EQ(rows.size() + problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("results: Cannot list the results folder: ", 0), 0u) << problems[0];
}

TEST_F(ReportLoadingTest, ImportCopiesUnderAFreeNameAndNamesTheReportAfterItsFile) {
    stored("run.json", sample(t::kCautionSample));
    const ReportLoadResult result = import({outside("run.json")});
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].displayName, "run");
    EXPECT_EQ(result.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(t::readWholeFile(results() / "run-1.json"), sample(t::kSuitableSample));
    EXPECT_EQ(t::readWholeFile(results() / "run.json"), sample(t::kCautionSample)) << "replaced";
    // The same run again, now that the table holds it from the results folder: nothing copied.
    const auto before = t::snapshotFolder(results());
    const ReportLoadResult again = import({outside("run.json")}, result.rows);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(t::snapshotFolder(results()), before);
}

TEST_F(ReportLoadingTest, ARunKnownOnlyFromElsewhereIsStillCopied) {
    SavedReport known = t::loadSampleReport(t::kSuitableSample);
    known.filePath = outside("run.json");  // in the table, but not stored in the results folder
    const ReportLoadResult result = import({known.filePath}, {known});
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].filePath, results() / "run.json");
    EXPECT_TRUE(fs::exists(results() / "run.json"));
}

TEST_F(ReportLoadingTest, TwoFilesOfOneRunInOneImportCopyOnlyTheFirst) {
    const ReportLoadResult result = import(
        {outside("first.json"), outside("second.json"), outside("other.json", t::kCautionSample)});
    ASSERT_EQ(result.rows.size(), 2u);
    // The later file wins the row but keeps the one stored copy.
    EXPECT_EQ(result.rows[0].displayName, "second");
    EXPECT_EQ(result.rows[0].filePath, results() / "first.json");
    EXPECT_EQ(result.rows[1].filePath, results() / "other.json");
    EXPECT_EQ(t::snapshotFolder(results()).size(), 2u);
}

TEST_F(ReportLoadingTest, AFailedImportLeavesNothingInTheResultsFolder) {
    const auto [rows, problems] =
        outcome(import({elsewhere_.path() / "missing.json", outside("good.json")}));
    EXPECT_EQ(rows, Lines{"good"});
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("missing.json: ", 0), 0u);
    EXPECT_EQ(t::snapshotFolder(results()).size(), 1u) << "only the good report was stored";

    // A results folder that cannot be made names every file.
    t::writeWholeFile(home_.path() / "blocker", "not a folder");
    const auto blocked = outcome(
        loadReports({{outside("good.json")}, false, home_.path() / "blocker" / "results", {}}));
    ASSERT_EQ(blocked.first.size() + blocked.second.size(), 1u);
    EXPECT_EQ(blocked.second[0].rfind("good.json: Cannot create the results folder: ", 0), 0u);
}

TEST(SuggestedReportNameTest, LabelAndTimeMadeSafeForEveryVolume) {
    RunResult result;
    result.volume.label = fromUtf8("FAST:SSD");
    result.timestampUtc = "2025-03-14T09:26:53Z";
    EXPECT_EQ(toUtf8(suggestedReportFileName(result, true)), "FAST_SSD-2025-03-14T09_26_53Z.csv");
    result.volume.label = fromUtf8("CON");
    EXPECT_EQ(toUtf8(suggestedReportFileName(result, false)), "_CON-2025-03-14T09_26_53Z.json");
}

}  // namespace
}  // namespace orvane
