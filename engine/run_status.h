#pragma once
// How a run ended, and the one text each status has in reports and on screen.

#include <optional>
#include <string>

namespace orvane {

enum class RunStatus { kRunning, kCompleted, kCleanupWarning, kFailed, kCancelled };

// "Running", "Completed", "Cleanup warning", "Failed", "Cancelled".
const char* runStatusText(RunStatus status);

// The status a report's text names, or none for a text no run writes.
std::optional<RunStatus> runStatusFromText(const std::string& text);

}  // namespace orvane
