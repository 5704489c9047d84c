#pragma once
// The run as a flat table for spreadsheets: one CRLF line per metric, context repeated.

#include <string>

#include "engine/run_records.h"

namespace orvane {

std::string writeReportCsv(const RunResult& result);

}  // namespace orvane
