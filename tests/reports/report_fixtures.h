#pragma once
// Runs and report documents shared by the report tests.

#include <nlohmann/json.hpp>

#include <string>

#include "engine/run_records.h"

namespace orvane::testing {

// A complete run with eight metrics, a label, awkward texts and numbers that show the number
// forms (5.0, 0.1234, a latency below 0.0000005).
RunResult referenceRun();

// A valid schema 1 document as written on Windows, for mutating one field at a time.
nlohmann::json validReportDocument();

// The golden file's text; with ORVANE_UPDATE_GOLDEN set, writes actual there first.
std::string goldenText(const std::string& name, const std::string& actual);

// The running platform's golden file name for the extension ("json" or "csv").
std::string goldenName(const std::string& extension);

}  // namespace orvane::testing
