#pragma once
// The file name the save dialog offers for a run: volume label and time, both made safe.

#include "engine/run_records.h"

namespace orvane {

// "<label>-<timestamp>.json" (or ".csv"), each part through reportFileBaseName.
NativeString suggestedReportFileName(const RunResult& result, bool csv);

}  // namespace orvane
