#include "engine/fresh_run_assessment.h"

#include "engine/statistics.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

constexpr std::uint64_t kTwentyGiB = 21474836480ull;
constexpr double kStallMilliseconds = 50.0;

const char* labelFor(double read, double randomRead, double write) {
    if (read >= 300 && randomRead >= 2000 && write >= 100)
        return "Good storage candidate";
    if (read >= 100 && randomRead >= 500 && write >= 30)
        return "Usable, with slower model switching";
    return "Better for model archives; expect slow starts or stalls";
}

}  // namespace

std::string assessFreshRun(const RunResult& result) {
    if (result.status != RunStatus::kCompleted || !result.verified || !result.cleaned) {
        return "No suitability rating: a complete, verified test with successful cleanup is "
               "required.";
    }
    const double read = metricValue(result, metric_id::kSequentialRead);
    const double randomRead = metricValue(result, metric_id::kRandomRead);
    const double write = metricValue(result, metric_id::kSequentialWrite);

    std::string text = labelFor(read, randomRead, write);
    text += ". Planning thresholds, not a certification or an inference-speed prediction.";

    if (toUtf8(result.volume.filesystem) == "FAT32") {
        text += " FAT32 cannot store a single file of 4 GiB or more; many models will not fit.";
    }
    if (result.volume.freeBytesBefore < kTwentyGiB) {
        text += " Less than 20 GiB free: plan space for models, runtimes and outputs.";
    }
    const double first = metricValue(result, metric_id::kWriteFirstQuarter);
    if (first > 0 && first * 0.6 > metricValue(result, metric_id::kWriteLastQuarter)) {
        text += " Writes slowed by more than 40% across this test.";
    }
    for (const auto& metric : result.metrics) {
        const bool isRead = metric.id == metric_id::kRandomRead;
        if ((isRead || metric.id == metric_id::kRandomWrite) && metric.p99ms > kStallMilliseconds) {
            text += isRead ? " Read" : " Write";
            text += " p99 latency exceeded 50 ms; intermittent stalls are possible.";
        }
    }
    return text;
}

}  // namespace orvane
