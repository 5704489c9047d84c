#pragma once
// The full check's own report: a JSON document, and beside it a CSV of both curves and an SVG
// plot of them. The benchmark's report format is untouched.

#include <filesystem>
#include <string>

#include "engine/full_check.h"

namespace orvane {

inline constexpr const char* kFullCheckSchema = "orvane-varnolt-full-check";
inline constexpr int kFullCheckSchemaVersion = 1;

// UTF-8, LF, final LF.
std::string writeFullCheckJson(const FullCheckResult& result);

// "curve,positionBytes,MiBps" then one row per slice, write curve first.
std::string writeFullCheckCsv(const FullCheckResult& result);

// Write and read rate against position, axes labelled with units, the cliff marked.
std::string writeFullCheckSvg(const FullCheckResult& result);

// The report's path with its extension replaced: the CSV and SVG beside the JSON.
std::filesystem::path besideReport(const std::filesystem::path& report, const char* extension);

}  // namespace orvane
