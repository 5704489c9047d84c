#pragma once
// Replacing a report file in one move, so a failed save never leaves half a report behind.

#include <filesystem>
#include <string>

namespace orvane {

inline constexpr const char* kCannotCreateTemporaryReport =
    "Cannot create temporary report; choose a writable folder.";
inline constexpr const char* kCannotSaveReport =
    "Cannot save report; previous archive was preserved.";

// Writes text to a new temporary file beside target (target's name, ".tmp-", process id, "-",
// milliseconds since boot), flushes it to the device and renames it over target. On failure the
// temporary file is gone and target is as it was.
void saveReportAtomically(const std::filesystem::path& target, const std::string& text);

}  // namespace orvane
