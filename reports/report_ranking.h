#pragma once
// Rank order and column order of the comparison list, and its merge by identity.

#include <vector>

#include "reports/run_identity.h"
#include "reports/saved_report.h"

namespace orvane {

// Columns of the comparison list, by index.
enum class ReportColumn : int {
    Rank = 0,
    DriveTest = 1,
    Capacity = 2,
    Allocation = 3,
    ReadMiBs = 4,
    WriteMiBs = 5,
    ModelReadSeconds = 6,
    RandomReadIops = 7,
    RandomWriteIops = 8,
    SmallWrites = 9,
    Profile = 10,
    TestedUtc = 11,
};
inline constexpr int kReportColumnCount = 12;

// The list view's sort state.
struct ColumnSort {
    ReportColumn column = ReportColumn::Rank;
    bool ascending = true;
};

// Platform, then timestamp text, then scratch folder, each compared byte by byte.
bool identityGoesBefore(const SavedReport& a, const SavedReport& b);

// Rank order: suitability level, then model read time (unknown last), then identity.
bool rankGoesBefore(const SavedReport& a, const SavedReport& b);

// Whether a goes before b in the list sorted by this column and direction. Unknown model read
// times and unparseable timestamps go last in both directions.
bool columnGoesBefore(const ColumnSort& sort, const SavedReport& a, const SavedReport& b);

// Numbers the reports 1, 2, ... in rank order, then sorts them stably by the column.
void rankReports(std::vector<SavedReport>& reports, const ColumnSort& sort);

// Replaces the report with the same identity in its place, or appends.
void addOrReplaceReport(std::vector<SavedReport>& reports, SavedReport report);

}  // namespace orvane
