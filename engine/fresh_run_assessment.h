#pragma once

#include <string>

#include "engine/run_records.h"

namespace orvane {

// One line of planning advice for a finished run: a label from fixed thresholds, then remarks.
std::string assessFreshRun(const RunResult& result);

}  // namespace orvane
