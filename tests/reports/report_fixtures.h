#pragma once
// Runs and report documents shared by the report tests.

#include <nlohmann/json.hpp>

#include <string>

#include "engine/run_records.h"
#include "reports/saved_report.h"

namespace orvane::testing {

// A complete run with eight metrics, a label, awkward texts and numbers that show the number
// forms (5.0, 0.1234, a latency below 0.0000005).
RunResult referenceRun();

// A valid schema 1 document as written on Windows, for mutating one field at a time.
nlohmann::json validReportDocument();

// A rated report built directly, good on every rule for modelGB 9 under Windows: read 60 s,
// 50% headroom, exFAT, fast rates, p99 8 ms, matching methods.
SavedReport goodSavedReport();

// The golden file's text; with ORVANE_UPDATE_GOLDEN set, writes actual there first.
std::string goldenText(const std::string& name, const std::string& actual);

// The running platform's golden file name for the extension ("json" or "csv").
std::string goldenName(const std::string& extension);

}  // namespace orvane::testing
