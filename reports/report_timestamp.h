#pragma once

#include <string>

namespace orvane {

// Seconds since 1970-01-01T00:00:00Z of a text like 2025-01-31T18:04:05Z, with an optional
// fraction and a Z or +hh:mm/-hh:mm zone; positive infinity for anything else.
double parseReportTimestamp(const std::string& text);

}  // namespace orvane
