#include "engine/run_status.h"

#include <array>
#include <utility>

namespace orvane {

namespace {

constexpr std::array<std::pair<RunStatus, const char*>, 5> kStatusTexts{{
    {RunStatus::kRunning, "Running"},
    {RunStatus::kCompleted, "Completed"},
    {RunStatus::kCleanupWarning, "Cleanup warning"},
    {RunStatus::kFailed, "Failed"},
    {RunStatus::kCancelled, "Cancelled"},
}};

}  // namespace

const char* runStatusText(RunStatus status) {
    for (const auto& [value, text] : kStatusTexts) {
        if (value == status)
            return text;
    }
    return "Running";
}

std::optional<RunStatus> runStatusFromText(const std::string& text) {
    for (const auto& [value, name] : kStatusTexts) {
        if (text == name)
            return value;
    }
    return std::nullopt;
}

}  // namespace orvane
