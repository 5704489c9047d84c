#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/report_comparison.h"
#include "orvane_version.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
    int code;
    std::vector<std::string> out;  // lines
    std::string err;
};

Outcome compare(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    Outcome outcome{runReportComparison(arguments, out, err), {}, err.str()};
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        outcome.out.push_back(line);
    EXPECT_EQ(out.str().find('\r'), std::string::npos);  // line feeds only
    return outcome;
}

const std::string kGood = (testing::sampleReportsFolder() / testing::kSuitableSample).string();
const std::string kBad = (testing::sampleReportsFolder() / testing::kNotRecommendedSample).string();

TEST(ReportComparison, FolderLoadsItsJsonFilesRanksThemAndNamesTheFailures) {
    testing::TempFolder folder;
    std::filesystem::copy_file(kGood, folder.path() / "good.json");
    std::filesystem::copy_file(kBad, folder.path() / "bad.json");
    testing::writeWholeFile(folder.path() / "twice.json", "{\"a\": {\"k\": 1, \"k\": 2}}");
    testing::writeWholeFile(folder.path() / "notes.txt", "not a report");
    const Outcome outcome = compare({folder.path().string()});
    EXPECT_EQ(outcome.code, 1);
    ASSERT_GE(outcome.out.size(), 4u);
    EXPECT_THAT(outcome.out[0], StartsWith("Rank  Drive / test"));
    EXPECT_THAT(outcome.out[1], StartsWith("1 "));
    EXPECT_THAT(outcome.out[2],
                ::testing::AllOf(StartsWith("2 "), HasSubstr(" - Not recommended")));
    EXPECT_EQ(outcome.out[3], "");  // details follow the table
    // Every column is padded to its width: the last one starts at one place on every line.
    const auto lastColumn = [](const std::string& line) { return line.rfind("  ") + 2; };
    EXPECT_EQ(lastColumn(outcome.out[1]), lastColumn(outcome.out[0]));
    EXPECT_EQ(lastColumn(outcome.out[2]), lastColumn(outcome.out[0]));
    EXPECT_THAT(outcome.err, StartsWith("twice.json: "));
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1);
}

TEST(ReportComparison, OptionsSetModelSizeAndSortOrAreUsageErrors) {
    const Outcome byRank =
        compare({kGood, kBad, "--model-gb", "70", "--sort", "Rank", "--descending"});
    EXPECT_EQ(byRank.code, 0);
    EXPECT_THAT(byRank.out.at(1), StartsWith("2 "));  // descending rank puts the worse run first
    EXPECT_THAT(byRank.out, ::testing::Contains(HasSubstr("Comparison: 70.0 GB")));
    EXPECT_EQ(byRank.err, "");
    EXPECT_THAT(compare({kGood, kBad, "--sort", "0"}).out.at(1), StartsWith("1 "));
    // --help and --version only alone; bad options are usage errors.
    const Outcome help = compare({"--help"}), version = compare({"--version"});
    EXPECT_EQ(help.code + version.code, 0);
    EXPECT_THAT(help.out.at(0), StartsWith("Usage: orvane-varnolt-compare "));
    EXPECT_EQ(help.out.back(), "Exit codes: 0 all loaded, 1 some failed, 2 a usage error.");
    EXPECT_EQ(version.out, std::vector<std::string>{"orvane-varnolt-compare " ORVANE_VERSION_TEXT});
    EXPECT_EQ(help.err + version.err, "");
    EXPECT_THAT(compare({"x.json", "--model-gb", "1000.05"}).err,
                HasSubstr("Model size must be 0.1-1000.0 GB"));
    // clang-format off
    const std::vector<std::string> refused[] = {{}, {"x.json", "--sort", "Speed"}, {"x.json", "--sort", "12"},
        {"x.json", "--model-gb"}, {"x.json", "--verbose"}, {"x.json", "--help"}, {"--version", "x.json"}};
    // clang-format on
    for (const auto& arguments : refused)
        EXPECT_EQ(compare(arguments).code, 2) << arguments.size();
}

}  // namespace
}  // namespace orvane
