#pragma once
// Rating of saved reports for one model size, with every reason that fired.

#include <string>
#include <vector>

#include "reports/report_ranking.h"
#include "reports/saved_report.h"

namespace orvane {

inline constexpr const char* kSuitableReason =
    "Suitable storage under these heuristics, assuming the model and working memory fit RAM.";

// Fills suitabilityLevel, rating, reason and modelReadSeconds for a model of modelGB decimal
// gigabytes, judged from a program running on platform (runningMeasurementMethods().platform).
// Throws, leaving the report unchanged, when modelGB is not finite, at most 0 or above 1000.
void evaluateSuitability(SavedReport& report, double modelGB, const std::string& platform);

// Re-rates every report (model size 0.1-1000, checked before any report changes), then ranks.
void reevaluateForModelSize(std::vector<SavedReport>& reports, double modelGB,
                            const std::string& platform, const ColumnSort& sort);

const std::string& storageGuidancePolicyText();

}  // namespace orvane
