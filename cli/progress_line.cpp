#include "cli/progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvane {

std::string clockText(double seconds) {
    const long long total = std::llround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

std::string progressLineText(int percent, const std::string& phase, double elapsedSeconds) {
    percent = std::clamp(percent, 0, 100);
    char head[16];
    std::snprintf(head, sizeof head, "[%3d%%] ", percent);
    std::string line = head + phase + "  " + clockText(elapsedSeconds) + " elapsed";
    if (percent > 0 && percent < 100 && elapsedSeconds >= 1.0) {
        const double left = elapsedSeconds * (100 - percent) / percent;
        line += ", about " + clockText(left) + " left";
    }
    return line;
}

}  // namespace orvane
