#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "reports/comparison_text.h"
#include "reports/report_import.h"
#include "reports/suitability.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using orvane::testing::loadSampleReports;

class ComparisonText : public ::testing::Test {
  protected:
    void SetUp() override {
        reports_ = loadSampleReports();
        reevaluateForModelSize(reports_, 6.6, "Windows", ColumnSort{});
    }
    const SavedReport& named(const std::string& displayName) const {
        for (const SavedReport& report : reports_) {
            if (report.displayName == displayName)
                return report;
        }
        throw std::runtime_error("no sample named " + displayName);
    }
    std::vector<std::string> row(const SavedReport& report) const {
        std::vector<std::string> cells;
        for (int column = 0; column < kReportColumnCount; ++column)
            cells.push_back(comparisonCellText(report, static_cast<ReportColumn>(column)));
        return cells;
    }

    std::vector<SavedReport> reports_;
};

TEST_F(ComparisonText, RowsShowTheRankedSamples) {
    EXPECT_EQ(row(named("USB SSD 1TB")),
              (std::vector<std::string>{"1", "USB SSD 1TB - Suitable", "1000.2 GB", "128.0 KiB",
                                        "412.5", "380.2", "15.3", "3150.0", "820.5", "410.0",
                                        "Standard", "2025-03-14T09:26:53Z"}));
    // 6.6e9 / (88.5 * 1048576) = 71.12 s
    EXPECT_EQ(row(named("SD card 128GB")),
              (std::vector<std::string>{"2", "SD card 128GB - Caution", "127.9 GB", "32.0 KiB",
                                        "88.5", "24.7", "71.1", "1210.0", "150.0", "64.0", "Quick",
                                        "2025-03-15T18:02:11Z"}));
    // Unknown allocation and unknown read time show as "--".
    EXPECT_EQ(
        row(named("Cancelled run")),
        (std::vector<std::string>{"3", "Cancelled run - Caution", "2000.4 GB", "--", "0.0", "150.0",
                                  "--", "0.0", "0.0", "0.0", "Extended", "2025-03-17T12:00:00Z"}));
    EXPECT_EQ(row(named("Old USB stick"))[0], "4");
    EXPECT_EQ(row(named("Old USB stick"))[1], "Old USB stick - Not recommended");
    EXPECT_EQ(row(named("Old USB stick"))[11], "2025-03-16T07:45:00+01:00");

    EXPECT_STREQ(comparisonColumnTitle(ReportColumn::Rank), "Rank");
    EXPECT_STREQ(comparisonColumnTitle(ReportColumn::DriveTest), "Drive / test");
    EXPECT_STREQ(comparisonColumnTitle(ReportColumn::SmallWrites), "Small writes /s");
    EXPECT_STREQ(comparisonColumnTitle(ReportColumn::TestedUtc), "Tested UTC");
    EXPECT_STREQ(comparisonColumnTitle(static_cast<ReportColumn>(12)), "");
}

TEST_F(ComparisonText, DetailsOfARunWithoutReadOrAllocation) {
    reevaluateForModelSize(reports_, 70.0, "Windows", ColumnSort{});
    const SavedReport& cancelled = named("Cancelled run");
    const std::string expected =
        "Cancelled run - Caution\n" + cancelled.reason +
        "\nOriginal model: 6.6 GB | Comparison: 70.0 GB | Model read: unknown\n"
        "Windows | Extended | 2025-03-17T12:00:00Z | Status: Cancelled\n"
        "NTFS | Allocation: 0.0 KiB | Recorded free: 900.0 GB\n"
        "Integrity: incomplete | Cleanup: complete\n"
        "OS cache bypassed for large-file I/O; device cache remains. Small reads are warm "
        "buffered.\n"
        "Large-file Windows write-through; small-file FlushFileBuffers.\n"
        "\n"  // the document's error is an empty string
        "Sequential write: 150.0 MiB/s | p50/p95/p99/max ms: 3.000 / 5.000 / 7.000 / 11.000\n"
        "\n" +
        storageGuidancePolicyText();
    EXPECT_EQ(reportDetailsText(cancelled, 70.0, "\n"), expected);
    EXPECT_EQ(cancelled.reason.rfind("Incomplete test; retest before drawing conclusions", 0), 0u);
}

// The layout is pinned above; here what only a failed, saved run shows, with CRLF line ends.
TEST_F(ComparisonText, DetailsOfAFailedRunWithItsErrorAndSavedPath) {
    SavedReport stick = named("Old USB stick");
    stick.filePath = std::filesystem::path("results") / "stick.json";
    const std::string text = reportDetailsText(stick, 6.6, "\r\n");
    EXPECT_NE(text.find("| Model read: 203.0 s\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nWrite file (Windows 1117): The request could not be performed because "
                        "of an I/O device error.\r\nSequential write: 9.5 MiB/s"),
              std::string::npos)
        << text;
    const std::string saved = "\r\n\r\nSaved report: " + toUtf8(stick.filePath.native()) + "\r\n" +
                              storageGuidancePolicyText();
    ASSERT_GE(text.size(), saved.size());
    EXPECT_EQ(text.substr(text.size() - saved.size()), saved);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "bare line feed at " << at;
}

TEST_F(ComparisonText, MetricsWithoutNameUnitOrPercentilesUseIdAndZeros) {
    nlohmann::json document = nlohmann::json::parse(orvane::testing::readWholeFile(
        orvane::testing::sampleReportsFolder() / orvane::testing::kCautionSample));
    nlohmann::json& first = document.at("metrics").at(0);
    first.erase("name");
    first.erase("unit");
    first.erase("p50ms");
    first.erase("maxms");
    document.erase("modelGB");
    document.erase("error");
    SavedReport report = importReport(document.dump(), "");
    evaluateSuitability(report, 6.6, "Windows");
    const std::string text = reportDetailsText(report, 6.6, "\n");
    EXPECT_NE(text.find("\nOriginal model: 0.0 GB | Comparison: 6.6 GB"), std::string::npos);
    EXPECT_NE(text.find("FlushFileBuffers.\nsequential_write: 24.7  | p50/p95/p99/max ms: 0.000 / "
                        "3.000 / 4.200 / 0.000\n"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace orvane
