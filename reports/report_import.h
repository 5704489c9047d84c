#pragma once
// Strict import of schema 1 report texts: untrusted input, checked before anything is kept.

#include <cstddef>
#include <filesystem>
#include <string>

#include "reports/saved_report.h"

namespace orvane {

inline constexpr std::size_t kReportSizeLimit = 2097152;  // 2 MiB, equal is allowed
inline constexpr int kReportDepthLimit = 64;
inline constexpr std::size_t kReportMetricLimit = 64;

// Throws std::runtime_error with the user's message, or a JSON library error, on the first
// rule that fails. The hint, when not empty, names the report.
SavedReport importReport(const std::string& text, const std::string& displayNameHint);

// Reads and imports one file. With preferDocumentName the document's own displayName names the
// report (the file's stem when it has none); otherwise the stem always does.
SavedReport loadReportFile(const std::filesystem::path& path, bool preferDocumentName);

}  // namespace orvane
