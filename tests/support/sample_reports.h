#pragma once
// The sample reports under tests/support/reports: one Suitable, one Caution, one Not recommended
// and one cancelled run without a read measurement or an allocation unit. Header only, for test
// programs that link the reports subsystem.

#include <vector>

#include "reports/report_import.h"
#include "tests/support/source_tree.h"

namespace orvane::testing {

inline constexpr const char* kSuitableSample = "suitable-usb-ssd.json";
inline constexpr const char* kCautionSample = "caution-sd-card.json";
inline constexpr const char* kNotRecommendedSample = "not-recommended-usb-stick.json";
inline constexpr const char* kCancelledSample = "unknown-read-cancelled.json";

inline std::filesystem::path sampleReportsFolder() {
    return sourceTree() / "tests" / "support" / "reports";
}

inline SavedReport loadSampleReport(const char* name) {
    return loadReportFile(sampleReportsFolder() / name, true);
}

// In a fixed order: Suitable, Caution, Not recommended, cancelled.
inline std::vector<SavedReport> loadSampleReports() {
    return {loadSampleReport(kSuitableSample), loadSampleReport(kCautionSample),
            loadSampleReport(kNotRecommendedSample), loadSampleReport(kCancelledSample)};
}

}  // namespace orvane::testing
