#include "reports/report_ranking.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "reports/report_timestamp.h"

namespace orvane {

namespace {

// std::string compares as unsigned bytes, a proper prefix first.
int compareBytes(const std::string& a, const std::string& b) {
    return a.compare(b);
}

// NaN never comes out of the import; ordering it last keeps the sort well-defined anyway.
bool numberLess(double a, double b) {
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return a < b;
}

bool byNumber(double a, double b, bool ascending) {
    return ascending ? numberLess(a, b) : numberLess(b, a);
}

bool byText(const std::string& a, const std::string& b, bool ascending) {
    const int order = compareBytes(a, b);
    return ascending ? order < 0 : order > 0;
}

// Known values first in both directions.
bool byKnownFirst(double a, double b, bool ascending) {
    const bool knownA = std::isfinite(a), knownB = std::isfinite(b);
    if (knownA != knownB)
        return knownA;
    return byNumber(a, b, ascending);
}

bool byTestedTime(const SavedReport& a, const SavedReport& b, bool ascending) {
    const double timeA = parseReportTimestamp(a.timestampUtc);
    const double timeB = parseReportTimestamp(b.timestampUtc);
    const bool knownA = std::isfinite(timeA), knownB = std::isfinite(timeB);
    if (knownA != knownB)
        return knownA;
    if (timeA == timeB)
        return identityGoesBefore(a, b);
    return byNumber(timeA, timeB, ascending);
}

}  // namespace

bool identityGoesBefore(const SavedReport& a, const SavedReport& b) {
    if (const int order = compareBytes(a.platform, b.platform))
        return order < 0;
    if (const int order = compareBytes(a.timestampUtc, b.timestampUtc))
        return order < 0;
    return compareBytes(a.scratchFolder, b.scratchFolder) < 0;
}

bool rankGoesBefore(const SavedReport& a, const SavedReport& b) {
    if (a.suitabilityLevel != b.suitabilityLevel)
        return a.suitabilityLevel < b.suitabilityLevel;
    if (numberLess(a.modelReadSeconds, b.modelReadSeconds))
        return true;
    if (numberLess(b.modelReadSeconds, a.modelReadSeconds))
        return false;
    return identityGoesBefore(a, b);
}

bool columnGoesBefore(const ColumnSort& sort, const SavedReport& a, const SavedReport& b) {
    const bool up = sort.ascending;
    switch (sort.column) {
        case ReportColumn::Rank:
            return byNumber(a.rank, b.rank, up);
        case ReportColumn::DriveTest:
            return byText(a.displayName, b.displayName, up);
        case ReportColumn::Capacity:
            return byNumber(a.totalBytes, b.totalBytes, up);
        case ReportColumn::Allocation:
            return byNumber(a.allocationUnitBytes, b.allocationUnitBytes, up);
        case ReportColumn::ReadMiBs:
            return byNumber(a.sequentialRead, b.sequentialRead, up);
        case ReportColumn::WriteMiBs:
            return byNumber(a.sequentialWrite, b.sequentialWrite, up);
        case ReportColumn::ModelReadSeconds:
            return byKnownFirst(a.modelReadSeconds, b.modelReadSeconds, up);
        case ReportColumn::RandomReadIops:
            return byNumber(a.randomRead, b.randomRead, up);
        case ReportColumn::RandomWriteIops:
            return byNumber(a.randomWrite, b.randomWrite, up);
        case ReportColumn::SmallWrites:
            return byNumber(a.smallFileWrite, b.smallFileWrite, up);
        case ReportColumn::Profile:
            return byText(a.profile, b.profile, up);
        case ReportColumn::TestedUtc:
            return byTestedTime(a, b, up);
    }
    return false;  // an unknown column keeps the rank order
}

void rankReports(std::vector<SavedReport>& reports, const ColumnSort& sort) {
    std::sort(reports.begin(), reports.end(), rankGoesBefore);
    std::int32_t rank = 0;
    for (SavedReport& report : reports)
        report.rank = ++rank;
    std::stable_sort(reports.begin(), reports.end(),
                     [&sort](const SavedReport& a, const SavedReport& b) {
                         return columnGoesBefore(sort, a, b);
                     });
}

void addOrReplaceReport(std::vector<SavedReport>& reports, SavedReport report) {
    const auto same = std::find_if(reports.begin(), reports.end(), [&](const SavedReport& entry) {
        return isSameRun(entry, report);
    });
    if (same != reports.end()) {
        *same = std::move(report);
    } else {
        reports.push_back(std::move(report));
    }
}

}  // namespace orvane
