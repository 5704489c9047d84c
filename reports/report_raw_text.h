#pragma once
// First stage of the report writer: the document composed by hand from a run, field by field.

#include <string>

#include "engine/run_records.h"

namespace orvane {

// JSON string literal of UTF-8 bytes: \t \n \r \" \\ and \u00xx for other control bytes;
// every other byte, 0x7F and above included, passes unchanged.
std::string jsonStringLiteral(const std::string& text);

// The raw report text: six-decimal doubles in the classic locale, modelGB in shortest form,
// no displayName and no storageGuidance yet.
std::string composeRawReportText(const RunResult& result);

// modelGB finite, above 0 and at most 1000.
bool isValidModelSize(double modelGB);

}  // namespace orvane
