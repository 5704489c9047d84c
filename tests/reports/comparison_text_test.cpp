#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
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

class ComparisonText : public ::testing::Test {
  protected:
    void SetUp() override { reevaluateForModelSize(reports_, 6.6, "Windows", ColumnSort{}); }
    const SavedReport& named(const std::string& prefix) const {
        return *std::find_if(reports_.begin(), reports_.end(), [&](const SavedReport& r) {
            return r.displayName.rfind(prefix, 0) == 0;
        });
    }
    std::string row(const std::string& prefix) const {
        std::string cells;
        for (int column = 0; column < kReportColumnCount; ++column)
            cells += comparisonCellText(named(prefix), static_cast<ReportColumn>(column)) + "|";
        return cells;
    }
    std::vector<SavedReport> reports_ = testing::loadSampleReports();
};

TEST_F(ComparisonText, RowsShowTheRankedSamples) {
    EXPECT_EQ(row("USB SSD"),
              "1|USB SSD 1TB - Suitable|1000.2 GB|128.0 KiB|412.5|380.2|15.3|3150.0|820.5|"
              "410.0|Standard|2025-03-14T09:26:53Z|");
    // 6.6e9 / (88.5 * 1048576) = 71.12 s
    EXPECT_EQ(row("SD card"),
              "2|SD card 128GB - Caution|127.9 GB|32.0 KiB|88.5|24.7|71.1|1210.0|150.0|"
              "64.0|Quick|2025-03-15T18:02:11Z|");
    EXPECT_EQ(row("Old USB").substr(0, 34), "4|Old USB stick - Not recommended|");
    EXPECT_NE(row("Old USB").find("|2025-03-16T07:45:00+01:00|"), std::string::npos);
    // Unknown allocation and unknown read time show as "--".
    EXPECT_EQ(row("Cancelled"),
              "3|Cancelled run - Caution|2000.4 GB|--|0.0|150.0|--|0.0|0.0|0.0|Extended|"
              "2025-03-17T12:00:00Z|");
    std::string titles;
    for (int column = 0; column <= kReportColumnCount; ++column)
        titles += std::string(comparisonColumnTitle(static_cast<ReportColumn>(column))) + "|";
    EXPECT_EQ(titles.substr(0, 18), "Rank|Drive / test|");
    const std::string end =
        "|Small writes /s|Profile|Tested UTC||";  // nothing past the last column
    EXPECT_EQ(titles.substr(titles.size() - end.size()), end);
}

TEST_F(ComparisonText, DetailsOfARunWithoutReadOrAllocation) {
    reevaluateForModelSize(reports_, 70.0, "Windows", ColumnSort{});
    const SavedReport& cancelled = named("Cancelled");
    EXPECT_EQ(reportDetailsText(cancelled, 70.0, "\n"),
              "Cancelled run - Caution\n" + cancelled.reason +
                  "\nOriginal model: 6.6 GB | Comparison: 70.0 GB | Model read: unknown\n"
                  "Windows | Extended | 2025-03-17T12:00:00Z | Status: Cancelled\n"
                  "NTFS | Allocation: 0.0 KiB | Recorded free: 900.0 GB\n"
                  "Integrity: incomplete | Cleanup: complete\n"
                  "OS cache bypassed for large-file I/O; device cache remains. Small reads are "
                  "warm buffered.\nLarge-file Windows write-through; small-file FlushFileBuffers.\n"
                  "\n"  // the document's error is an empty string
                  "Sequential write: 150.0 MiB/s | p50/p95/p99/max ms: 3.000 / 5.000 / 7.000 / "
                  "11.000\n\n" +
                  storageGuidancePolicyText());
    EXPECT_EQ(cancelled.reason.rfind("Incomplete test; retest before drawing conclusions", 0), 0u);
}

// The layout is pinned above; here what only a failed, saved run shows, with CRLF line ends.
TEST_F(ComparisonText, DetailsOfAFailedRunWithItsErrorAndSavedPath) {
    SavedReport stick = named("Old USB");
    stick.filePath = std::filesystem::path("results") / "stick.json";
    const std::string text = reportDetailsText(stick, 6.6, "\r\n");
    EXPECT_NE(text.find("| Model read: 203.0 s\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nWrite file (Windows 1117): The request could not be performed because "
                        "of an I/O device error.\r\nSequential write: 9.5 MiB/s"),
              std::string::npos);
    const std::string saved = "\r\n\r\nSaved report: " + toUtf8(stick.filePath.native()) + "\r\n" +
                              storageGuidancePolicyText();
    EXPECT_EQ(text.substr(text.size() - saved.size()), saved);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_EQ(text[at - 1], '\r') << "bare line feed at " << at;
}

TEST_F(ComparisonText, MetricsWithoutNameUnitOrPercentilesUseIdAndZeros) {
    nlohmann::json document = *named("SD card").document;
    for (const char* key : {"name", "unit", "p50ms", "maxms"})
        document.at("metrics").at(0).erase(key);
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
