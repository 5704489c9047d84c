#pragma once
// What makes two reports the same run: the platform, the time it started and its scratch folder.

#include <string>
#include <tuple>

#include "reports/saved_report.h"

namespace orvane {

struct RunIdentity {
    std::string platform;
    std::string timestampUtc;
    std::string scratchFolder;

    static RunIdentity of(const SavedReport& report) {
        return {report.platform, report.timestampUtc, report.scratchFolder};
    }
    bool identifies(const SavedReport& report) const { return *this == of(report); }
    bool operator==(const RunIdentity& other) const {
        return std::tie(platform, timestampUtc, scratchFolder) ==
               std::tie(other.platform, other.timestampUtc, other.scratchFolder);
    }
};

inline bool isSameRun(const SavedReport& a, const SavedReport& b) {
    return RunIdentity::of(a) == RunIdentity::of(b);
}

}  // namespace orvane
