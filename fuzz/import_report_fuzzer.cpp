// libFuzzer entry for the report import: any byte string, no crash, leak or hang; what is
// accepted must hold the import's promises, and rating and ranking must cope with it.

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "engine/measurement_methods.h"
#include "reports/report_import.h"
#include "reports/report_ranking.h"
#include "reports/report_timestamp.h"
#include "reports/suitability.h"

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool finiteNonNegative(double value) {
    return std::isfinite(value) && value >= 0.0;
}

void checkAccepted(orvane::SavedReport report) {
    require(report.document && report.document->is_object());
    require(finiteNonNegative(report.totalBytes) && finiteNonNegative(report.freeBytesBefore));
    require(report.freeBytesBefore <= report.totalBytes);
    for (const double figure :
         {report.allocationUnitBytes, report.sequentialRead, report.sequentialWrite,
          report.randomRead, report.randomWrite, report.smallFileWrite, report.randomWriteP99}) {
        require(finiteNonNegative(figure));
    }
    require(!report.displayName.empty());
    require(report.document->at("metrics").size() <= orvane::kReportMetricLimit);

    orvane::evaluateSuitability(report, 6.6, orvane::runningMeasurementMethods().platform);
    require(report.suitabilityLevel >= 0 && report.suitabilityLevel <= 2);
    require(!report.reason.empty());
    (void)orvane::parseReportTimestamp(report.timestampUtc);

    std::vector<orvane::SavedReport> list(3, report);
    list[1].timestampUtc += "Z";
    list[2].modelReadSeconds = 1.0;
    for (int column = 0; column < orvane::kReportColumnCount; ++column) {
        orvane::rankReports(list, {static_cast<orvane::ReportColumn>(column), column % 2 == 0});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    orvane::SavedReport report;
    try {
        report = orvane::importReport(text, "");
    } catch (const std::exception&) {
        return 0;  // refused with its message: the expected outcome for most inputs
    }
    checkAccepted(std::move(report));
    return 0;
}
