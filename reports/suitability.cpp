#include "reports/suitability.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "engine/measurement_methods.h"
#include "engine/model_size_range.h"
#include "engine/run_status.h"
#include "platform/byte_units.h"

namespace orvane {

namespace {

constexpr double kFat32FileLimit = 4294967295.0;

// General notation, six significant digits, classic locale: 1500, 845.125, 0.
std::string general6(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool methodsMatch(const SavedReport& report, const std::string& platform) {
    if (report.platform != platform)
        return false;
    if (platform == kWindowsMeasurementMethods.platform) {
        return contains(report.cachePolicy, "OS cache bypassed") &&
               contains(report.writePolicy, "Windows write-through") &&
               contains(report.writePolicy, "FlushFileBuffers");
    }
    if (platform == kLinuxMeasurementMethods.platform) {
        return contains(report.cachePolicy, "O_DIRECT") &&
               contains(report.writePolicy, "O_DSYNC") && contains(report.writePolicy, "fsync");
    }
    return contains(report.cachePolicy, "F_NOCACHE") && contains(report.writePolicy, "F_FULLFSYNC");
}

class Verdict {
  public:
    void add(int level, const std::string& text) {
        level_ = std::max(level_, level);
        reason_ += text;
        reason_ += ' ';
    }
    int level() const { return level_; }
    std::string& reason() { return reason_; }

  private:
    int level_ = 0;
    std::string reason_;
};

const char* ratingWord(int level) {
    switch (level) {
        case 0:
            return "Suitable";
        case 1:
            return "Caution";
        default:
            return "Not recommended";
    }
}

}  // namespace

void evaluateSuitability(SavedReport& report, double modelGB, const std::string& platform) {
    if (!isRunModelSize(modelGB)) {
        throw std::runtime_error("Recorded model size must be positive and at most 1000 GB.");
    }
    const double modelBytes = modelGB * 1e9;
    Verdict verdict;

    const double readSeconds =
        report.sequentialRead > 0.0
            ? modelBytes / (report.sequentialRead * static_cast<double>(kMiB))
            : std::numeric_limits<double>::infinity();

    const std::optional<RunStatus> status = runStatusFromText(report.status);
    if (status == RunStatus::kFailed || (status == RunStatus::kCompleted && !report.verified)) {
        verdict.add(2, "Failed or unverified test; retest before use.");
    } else if (status != RunStatus::kCompleted) {
        verdict.add(1, "Incomplete test; retest before drawing conclusions about the media.");
    }
    if (!report.cleaned)
        verdict.add(1, "Cleanup incomplete.");
    if (report.sequentialRead <= 0.0)
        verdict.add(1, "Sequential read missing; estimate unknown.");

    if (report.totalBytes <= 0.0) {
        verdict.add(1, "Capacity missing; model fit unknown.");
    } else if (modelBytes > report.freeBytesBefore) {
        verdict.add(2, "Model exceeds recorded free space.");
    } else if (modelBytes * 1.2 > report.freeBytesBefore) {
        verdict.add(1, "Less than 20% additional free-space headroom.");
    }

    const std::string filesystem = lowerAscii(report.filesystem);
    if ((contains(filesystem, "fat32") || filesystem == "msdos") && modelBytes > kFat32FileLimit) {
        verdict.add(2, "FAT32 single-file limit is 4,294,967,295 bytes.");
    }

    if (report.sequentialRead > 0.0) {
        if (readSeconds > 300.0) {
            verdict.add(2, "Estimated model read exceeds 300 seconds.");
        } else if (readSeconds > 90.0) {
            verdict.add(1, "Estimated model read exceeds 90 seconds.");
        }
    }

    const struct {
        const char* label;
        double value;
        double minimum;
    } minimumRates[] = {{"Random read IOPS", report.randomRead, 1500.0},
                        {"Random write IOPS", report.randomWrite, 200.0},
                        {"Sequential write MiB/s", report.sequentialWrite, 30.0},
                        {"Small writes files/s", report.smallFileWrite, 100.0}};
    for (const auto& rate : minimumRates) {
        if (rate.value < rate.minimum) {
            verdict.add(1, std::string(rate.label) + ": " + general6(rate.value) + " below " +
                               general6(rate.minimum) + " (missing measurements cannot qualify).");
        }
    }

    if (report.randomWriteP99 > 10.0) {
        verdict.add(1, "Durable random-write p99 " + general6(report.randomWriteP99) +
                           " ms exceeds 10 ms.");
    }

    if (!methodsMatch(report, platform)) {
        verdict.add(1,
                    "Different or unsupported platform/cache/flush methodology; measurements may "
                    "not be directly comparable.");
    }

    report.modelReadSeconds = readSeconds;
    report.suitabilityLevel = verdict.level();
    report.rating = ratingWord(verdict.level());
    report.reason =
        verdict.reason().empty() ? std::string(kSuitableReason) : std::move(verdict.reason());
}

void reevaluateForModelSize(std::vector<SavedReport>& reports, double modelGB,
                            const std::string& platform, const ColumnSort& sort) {
    if (!reports.empty() && !isEnteredModelSize(modelGB)) {
        throw std::runtime_error("Model size must be 0.1-1000.0 GB.");
    }
    for (SavedReport& report : reports)
        evaluateSuitability(report, modelGB, platform);
    rankReports(reports, sort);
}

const std::string& storageGuidancePolicyText() {
    static const std::string text =
        "Heuristic storage guidance for a model that fits in RAM; not an inference benchmark. "
        "Green: model read <=90 s, at least 20% extra recorded free space, random read >=1500 "
        "IOPS, random write >=200 IOPS, sequential write >=30 MiB/s, small writes >=100 files/s, "
        "durable write p99 <=10 ms. Yellow: read 90-300 s, weak I/O, limited headroom, incomplete "
        "cleanup/test or different methodology. Red: read >300 s, insufficient space, FAT32 file "
        "limit or failed/unverified data. Rank: suitability, then model read time. Startup/GPU "
        "transfer, full capacity, endurance and power-loss safety are not measured. Compare the "
        "same profile, reader and connection.";
    return text;
}

}  // namespace orvane
