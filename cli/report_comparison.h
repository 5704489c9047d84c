#pragma once
// The terminal face of the comparison table: load reports, rate and rank them, print the rows.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "reports/report_ranking.h"
#include "reports/saved_report.h"

namespace orvane {

struct ComparisonRequest {
    std::vector<std::filesystem::path> inputs;  // report files or folders of them
    double modelGB = 6.6;
    ColumnSort sort;
};

inline constexpr int kComparisonAllLoaded = 0;
inline constexpr int kComparisonSomeFailed = 1;
inline constexpr int kComparisonUsageError = 2;

// Throws std::invalid_argument with a usage message.
ComparisonRequest parseComparisonArguments(const std::vector<std::string>& arguments);

struct LoadedReports {
    std::vector<SavedReport> reports;
    std::vector<std::string> problems;  // "name: message", one per file that failed
};

// Folders contribute their *.json files (any letter case, not recursive) as the window loads its
// results folder; every report names itself by its own display name.
LoadedReports loadComparisonInputs(const std::vector<std::filesystem::path>& inputs);

// The twelve columns, padded to line up, one line per report in list order.
std::string comparisonTable(const std::vector<SavedReport>& reports);

// The whole tool over already split arguments (without the program name); returns the exit code.
int runReportComparison(const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& err);

}  // namespace orvane
