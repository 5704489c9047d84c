#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/report_comparison.h"
#include "orvane_version.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::filesystem::path sampleReports() {
    return testing::sourceTree() / "tests" / "support" / "reports";
}

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome compare(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = runReportComparison(arguments, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

class ReportComparison : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto samples = sampleReports();
        for (const char* name : {"suitable-usb-ssd.json", "not-recommended-usb-stick.json"}) {
            std::filesystem::copy_file(samples / name, folder_.path() / name);
        }
        std::string oversized = testing::readWholeFile(samples / "suitable-usb-ssd.json");
        oversized.insert(oversized.size() - 2, std::string(2 * 1048576, ' '));
        testing::writeWholeFile(folder_.path() / "big.JSON", oversized);
        testing::writeWholeFile(folder_.path() / "twice.json", "{\"a\": {\"k\": 1, \"k\": 2}}");
        testing::writeWholeFile(folder_.path() / "notes.txt", "not a report");
    }
    testing::TempFolder folder_;
};

TEST_F(ReportComparison, FolderLoadsItsJsonFilesRanksThemAndNamesTheFailures) {
    const Outcome outcome = compare({folder_.path().string()});
    EXPECT_EQ(outcome.code, 1);
    const auto table = lines(outcome.out);
    ASSERT_GE(table.size(), 3u);
    EXPECT_THAT(table[0], StartsWith("Rank  Drive / test"));
    EXPECT_THAT(table[1], StartsWith("1 "));
    EXPECT_THAT(table[1], HasSubstr("USB SSD 1TB - "));
    EXPECT_THAT(table[2], StartsWith("2 "));
    EXPECT_THAT(table[2], HasSubstr(" - Not recommended"));
    EXPECT_EQ(table[3], "");  // details follow the table
    // Every column is padded to its width: the last one starts at one place on every line.
    const auto lastColumn = [](const std::string& line) { return line.rfind("  ") + 2; };
    EXPECT_EQ(lastColumn(table[1]), lastColumn(table[0]));
    EXPECT_EQ(lastColumn(table[2]), lastColumn(table[0]));
    // Every row's details, with line feeds only.
    EXPECT_EQ(outcome.out.find('\r'), std::string::npos);
    EXPECT_THAT(outcome.out, HasSubstr("Comparison: 6.6 GB"));

    auto problems = lines(outcome.err);
    std::sort(problems.begin(), problems.end());  // the folder's listing order
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_THAT(problems[0], StartsWith("big.JSON: "));
    EXPECT_THAT(problems[1], StartsWith("twice.json: "));
    EXPECT_THAT(outcome.err, HasSubstr("uplicate"));
}

TEST_F(ReportComparison, ModelSizeAndSortFollowTheOptions) {
    const auto samples = sampleReports();
    const std::string good = (samples / "suitable-usb-ssd.json").string();
    const std::string bad = (samples / "not-recommended-usb-stick.json").string();
    const Outcome byRank =
        compare({good, bad, "--model-gb", "70", "--sort", "Rank", "--descending"});
    EXPECT_EQ(byRank.code, 0);
    const auto table = lines(byRank.out);
    EXPECT_THAT(table[1], StartsWith("2 "));  // descending rank puts the worse run first
    EXPECT_THAT(byRank.out, HasSubstr("Comparison: 70.0 GB"));
    EXPECT_EQ(byRank.err, "");

    const Outcome byIndex = compare({good, bad, "--sort", "0"});
    EXPECT_THAT(lines(byIndex.out)[1], StartsWith("1 "));
}

TEST(ReportComparisonUsage, BadOptionsAreUsageErrors) {
    EXPECT_EQ(compare({}).code, 2);
    EXPECT_EQ(compare({"x.json", "--sort", "Speed"}).code, 2);
    EXPECT_EQ(compare({"x.json", "--sort", "12"}).code, 2);
    EXPECT_EQ(compare({"x.json", "--model-gb"}).code, 2);
    const Outcome badSize = compare({"x.json", "--model-gb", "1000.05"});
    EXPECT_EQ(badSize.code, 2);
    EXPECT_THAT(badSize.err, HasSubstr("Model size must be 0.1-1000.0 GB"));
    EXPECT_EQ(compare({"x.json", "--verbose"}).code, 2);
}

TEST(ReportComparisonUsage, HelpAndVersionAnswerOnStandardOutput) {
    const Outcome help = compare({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.out, StartsWith("Usage: orvane-varnolt-compare "));
    EXPECT_THAT(help.out, HasSubstr("Exit codes: 0 all loaded, 1 some failed, 2 a usage error."));
    EXPECT_EQ(help.err, "");
    const Outcome version = compare({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "orvane-varnolt-compare " ORVANE_VERSION_TEXT "\n");
    EXPECT_EQ(version.err, "");
    // Only alone: beside a report they are unknown options, not a silent success.
    EXPECT_EQ(compare({"x.json", "--help"}).code, 2);
    EXPECT_EQ(compare({"--version", "x.json"}).code, 2);
}

TEST(ReportComparisonUsage, MissingFileIsAProblemNotACrash) {
    const Outcome outcome = compare({"/nonexistent/report.json"});
    EXPECT_EQ(outcome.code, 1);
    EXPECT_THAT(outcome.err, StartsWith("report.json: "));
    EXPECT_EQ(lines(outcome.out).size(), 1u);  // the header only
}

}  // namespace
}  // namespace orvane
