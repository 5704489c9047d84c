#pragma once
// What the comparison shows of a report: the cell texts of its row and the plain-text account of
// one run. Shared by the window (CRLF lines) and the terminal comparison (LF lines).

#include <cstddef>
#include <string>

#include "reports/report_ranking.h"
#include "reports/saved_report.h"

namespace orvane {

// Title of a comparison column ("Rank", "Drive / test", ...).
const char* comparisonColumnTitle(ReportColumn column);

// The text of one cell: numbers in fixed notation with the column's decimals, "--" when the
// allocation unit or the model-read estimate is unknown.
std::string comparisonCellText(const SavedReport& report, ReportColumn column);

// Everything known about one run, for a comparison at comparisonModelGB, each line ended by
// lineEnd. Throws the JSON library's type error for a document of the wrong shape.
std::string reportDetailsText(const SavedReport& report, double comparisonModelGB,
                              const std::string& lineEnd);

}  // namespace orvane
