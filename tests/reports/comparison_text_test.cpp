#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "reports/comparison_text.h"
#include "reports/report_import.h"
#include "reports/suitability.h"
#include "tests/reports/report_fixtures.h"
#include "tests/support/sample_reports.h"

namespace orvane {
namespace {

// The titles (none past the last column), then each sample's row and details, ranked for a
// 6.6 GB model: the golden file pins the layout, the "--" of unknown figures, a saved path and
// the error line of a failed run.
TEST(ComparisonText, SamplesMatchTheGoldenFile) {
    std::string text;
    for (int column = 0; column <= kReportColumnCount; ++column)
        text += std::string(comparisonColumnTitle(static_cast<ReportColumn>(column))) + "|";
    std::vector<SavedReport> reports = testing::loadSampleReports();
    reports[2].filePath = "stick.json";
    // A metric without name, unit or percentiles shows its id and zeros; no modelGB shows 0.
    nlohmann::json document = *reports[1].document;
    for (const char* key : {"name", "unit", "p50ms", "maxms"})
        document.at("metrics").at(0).erase(key);
    document.erase("modelGB");
    document.erase("error");
    reports.push_back(importReport(document.dump(), "Sparse"));
    reevaluateForModelSize(reports, 6.6, "Windows", {});
    for (const SavedReport& report : reports) {
        text += "\n";
        for (int column = 0; column < kReportColumnCount; ++column)
            text += comparisonCellText(report, static_cast<ReportColumn>(column)) + "|";
        const std::string details = reportDetailsText(report, 70.0, "\n");
        text += "\n" + details + "\n";
        std::string crlf;
        for (const char c : details)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        EXPECT_EQ(reportDetailsText(report, 70.0, "\r\n"), crlf);
    }
    EXPECT_EQ(text, testing::goldenText("comparison.txt", text));
}

}  // namespace
}  // namespace orvane
