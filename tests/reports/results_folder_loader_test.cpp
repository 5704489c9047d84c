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
using orvane::testing::readWholeFile;
using orvane::testing::snapshotFolder;
using orvane::testing::writeWholeFile;

std::string sampleText(const char* name) {
    return readWholeFile(orvane::testing::sampleReportsFolder() / name);
}

std::vector<std::string> namesOf(const std::vector<SavedReport>& rows) {
    std::vector<std::string> names;
    for (const SavedReport& row : rows)
        names.push_back(row.displayName);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> problemLines(const std::vector<ReportLoadProblem>& problems) {
    std::vector<std::string> lines;
    for (const auto& problem : problems)
        lines.push_back(problemText(problem));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class ReportLoadingTest : public ::testing::Test {
  protected:
    fs::path results() const { return home_.path() / "results"; }
    fs::path outside(const std::string& name) const { return elsewhere_.path() / name; }

    ReportLoadJob scanJob() const { return {{}, true, results(), {}}; }
    ReportLoadJob importJob(std::vector<fs::path> paths,
                            std::vector<SavedReport> known = {}) const {
        return {std::move(paths), false, results(), std::move(known)};
    }

    orvane::testing::TempFolder home_;
    orvane::testing::TempFolder elsewhere_;
};

TEST_F(ReportLoadingTest, NoResultsFolderLoadsNothingAndCreatesNothing) {
    const ReportLoadResult result = loadReports(scanJob());
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(result.problems.empty());
    EXPECT_FALSE(fs::exists(results()));
}

TEST_F(ReportLoadingTest, ScanLoadsJsonFilesOfAnyCaseAndNamesThemByTheirDocuments) {
    fs::create_directories(results() / "nested.json");  // a folder, not a report
    writeWholeFile(results() / "a.json", sampleText(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "b.JSON", sampleText(orvane::testing::kCautionSample));
    writeWholeFile(results() / "c.txt", sampleText(orvane::testing::kNotRecommendedSample));
    const ReportLoadResult result = loadReports(scanJob());
    EXPECT_EQ(namesOf(result.rows), (std::vector<std::string>{"SD card 128GB", "USB SSD 1TB"}));
    for (const SavedReport& row : result.rows)
        EXPECT_EQ(row.filePath.parent_path(), results());
    EXPECT_TRUE(result.problems.empty()) << problemLines(result.problems).size();
}

TEST_F(ReportLoadingTest, BadFilesAreNamedWithTheirReasonsWhileTheOthersLoad) {
    fs::create_directories(results());
    writeWholeFile(results() / "good.json", sampleText(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "huge.json", std::string(kReportSizeLimit + 1, ' '));
    writeWholeFile(results() / "twice.json", R"({"schemaVersion": 1, "schemaVersion": 1})");
    const ReportLoadResult result = loadReports(scanJob());
    EXPECT_EQ(namesOf(result.rows), std::vector<std::string>{"USB SSD 1TB"});
    EXPECT_EQ(problemLines(result.problems),
              (std::vector<std::string>{"huge.json: Report exceeds 2 MiB.",
                                        "twice.json: Duplicate JSON key."}));
}

TEST_F(ReportLoadingTest, AResultsFolderThatCannotBeListedIsAProblemNotASilence) {
    writeWholeFile(results(), "a file where the folder belongs");
    const ReportLoadResult result = loadReports(scanJob());
    EXPECT_TRUE(result.rows.empty());
    const std::vector<std::string> lines = problemLines(result.problems);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("results: Cannot list the results folder: ", 0), 0u) << lines[0];
}

TEST_F(ReportLoadingTest, ImportCopiesUnderAFreeNameAndNamesTheReportAfterItsFile) {
    fs::create_directories(results());
    const std::string stored = sampleText(orvane::testing::kCautionSample);
    writeWholeFile(results() / "run.json", stored);
    writeWholeFile(outside("run.json"), sampleText(orvane::testing::kSuitableSample));

    const ReportLoadResult result = loadReports(importJob({outside("run.json")}));
    ASSERT_EQ(result.rows.size(), 1u) << problemLines(result.problems).size();
    EXPECT_EQ(result.rows[0].displayName, "run");
    EXPECT_EQ(result.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(readWholeFile(results() / "run-1.json"), readWholeFile(outside("run.json")));
    EXPECT_EQ(readWholeFile(results() / "run.json"), stored) << "never replaced";

    // The same run again, now that the table holds it from the results folder: nothing copied.
    const auto before = snapshotFolder(results());
    const ReportLoadResult again = loadReports(importJob({outside("run.json")}, result.rows));
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(snapshotFolder(results()), before);
}

TEST_F(ReportLoadingTest, ARunKnownOnlyFromElsewhereIsStillCopied) {
    writeWholeFile(outside("run.json"), sampleText(orvane::testing::kSuitableSample));
    SavedReport known = orvane::testing::loadSampleReport(orvane::testing::kSuitableSample);
    known.filePath = outside("run.json");  // in the table, but not stored in the results folder
    const ReportLoadResult result = loadReports(importJob({outside("run.json")}, {known}));
    ASSERT_EQ(result.rows.size(), 1u) << problemLines(result.problems).size();
    EXPECT_EQ(result.rows[0].filePath, results() / "run.json");
    EXPECT_TRUE(fs::exists(results() / "run.json"));
}

TEST_F(ReportLoadingTest, TwoFilesOfOneRunInOneImportCopyOnlyTheFirst) {
    writeWholeFile(outside("first.json"), sampleText(orvane::testing::kSuitableSample));
    writeWholeFile(outside("second.json"), sampleText(orvane::testing::kSuitableSample));
    writeWholeFile(outside("other.json"), sampleText(orvane::testing::kCautionSample));
    const ReportLoadResult result = loadReports(
        importJob({outside("first.json"), outside("second.json"), outside("other.json")}));
    ASSERT_EQ(result.rows.size(), 2u) << problemLines(result.problems).size();
    // The later file wins the row but keeps the one stored copy.
    EXPECT_EQ(result.rows[0].displayName, "second");
    EXPECT_EQ(result.rows[0].filePath, results() / "first.json");
    EXPECT_EQ(result.rows[1].filePath, results() / "other.json");
    EXPECT_EQ(snapshotFolder(results()).size(), 2u);
}

TEST_F(ReportLoadingTest, AFailedImportLeavesNothingInTheResultsFolder) {
    writeWholeFile(outside("broken.json"), "{\"schemaVersion\": 2}");
    writeWholeFile(outside("huge.json"), std::string(kReportSizeLimit + 1, '{'));
    writeWholeFile(outside("good.json"), sampleText(orvane::testing::kCautionSample));
    const ReportLoadResult result =
        loadReports(importJob({outside("broken.json"), outside("missing.json"),
                               outside("huge.json"), outside("good.json")}));
    EXPECT_EQ(namesOf(result.rows), std::vector<std::string>{"good"});
    const std::vector<std::string> lines = problemLines(result.problems);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "broken.json: Not a schema 1 Varnolt report.");
    EXPECT_EQ(lines[1], "huge.json: Report exceeds 2 MiB.");
    EXPECT_EQ(lines[2].rfind("missing.json: ", 0), 0u);
    EXPECT_EQ(snapshotFolder(results()).size(), 1u) << "only the good report was stored";
}

TEST_F(ReportLoadingTest, AnImportThatCannotCreateTheFolderNamesEveryFile) {
    writeWholeFile(home_.path() / "blocker", "not a folder");
    writeWholeFile(outside("good.json"), sampleText(orvane::testing::kCautionSample));
    ReportLoadJob job = importJob({outside("good.json")});
    job.resultsFolder = home_.path() / "blocker" / "results";
    const ReportLoadResult result = loadReports(job);
    EXPECT_TRUE(result.rows.empty());
    const std::vector<std::string> lines = problemLines(result.problems);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("good.json: Cannot create the results folder: ", 0), 0u) << lines[0];
}

TEST_F(ReportLoadingTest, FreeImportPathCountsUpFromTheStem) {
    fs::create_directories(results());
    EXPECT_EQ(freeImportPath(results(), "Run.JSON"), results() / "Run.JSON");
    writeWholeFile(results() / "Run.JSON", "x");
    writeWholeFile(results() / "Run-1.json", "x");
    EXPECT_EQ(freeImportPath(results(), "Run.JSON"), results() / "Run-2.json");
}

TEST(SuggestedReportNameTest, LabelAndTimeMadeSafeForEveryVolume) {
    RunResult result;
    result.volume.label = fromUtf8("FAST:SSD");
    result.timestampUtc = "2025-03-14T09:26:53Z";
    EXPECT_EQ(toUtf8(suggestedReportFileName(result, false)), "FAST_SSD-2025-03-14T09_26_53Z.json");
    EXPECT_EQ(toUtf8(suggestedReportFileName(result, true)), "FAST_SSD-2025-03-14T09_26_53Z.csv");
    result.volume.label = fromUtf8("CON");
    EXPECT_EQ(toUtf8(suggestedReportFileName(result, false)), "_CON-2025-03-14T09_26_53Z.json");
}

}  // namespace
}  // namespace orvane
