// Random 4 KiB requests at queue depth one: reads, then writes of the pattern's own content.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/measurement_methods.h"
#include "engine/monotonic_clock.h"
#include "engine/random_block_sequence.h"
#include "engine/run_context.h"
#include "engine/statistics.h"
#include "engine/test_pattern.h"

namespace orvane {

namespace {

constexpr std::uint64_t kOperationCap = 250000;
// Names this build's own method, so a Linux run does not claim Windows write-through.
std::string randomPhaseNote() {
    const MeasurementMethods& methods = runningMeasurementMethods();
    return std::string("One synchronous request at a time; 250,000 operation cap. ") +
           methods.cachePolicy + " " + methods.writePolicy;
}

enum class Direction { Read, Write };

struct RandomPhase {
    Direction direction;
    const char* id;
    const char* name;
    std::int32_t progressBase;
};

void runRandomPhase(RunContext& run, RandomBlockSequence& blocks, const RandomPhase& phase) {
    RunResult& result = run.result;
    DiskFile& file = *run.testFile;
    const bool writing = phase.direction == Direction::Write;
    const double limit = result.options.randomSecondsPerPhase;
    const std::uint8_t* const payload = run.payload.data();
    std::uint8_t* const request = run.requestBuffer.data();
    const std::string message = std::string(phase.name) + "...";

    Metric metric;
    metric.id = phase.id;
    metric.name = phase.name;
    metric.unit = "IOPS";
    metric.note = randomPhaseNote();
    std::vector<double> latencies;
    latencies.reserve(kOperationCap);  // appending never reallocates inside the loop

    run.report(phase.progressBase, message);
    const Instant phaseStart = MonotonicClock::now();
    Instant lastRequestEnd = phaseStart;  // the time limit reuses the request's own clock read
    std::uint64_t operations = 0;
    while (secondsBetween(phaseStart, lastRequestEnd) < limit && operations < kOperationCap) {
        run.throwIfCancelled();
        const std::uint64_t offset = blocks.nextOffset();
        if (writing) {
            std::memcpy(request, payload + offset % kMiB, kBlockBytes);
            storeAddressTag(request, offset);
        }
        const Instant requestStart = MonotonicClock::now();
        if (writing) {
            file.writeAt(offset, request, kBlockBytes);
        } else {
            file.readAt(offset, request, kBlockBytes);
        }
        const Instant requestEnd = MonotonicClock::now();
        if (writing)
            result.bytesWritten += kBlockBytes;
        latencies.push_back(millisecondsBetween(requestStart, requestEnd));
        lastRequestEnd = requestEnd;
        ++operations;
        if (operations % 256 == 0) {
            const auto step =
                static_cast<std::int32_t>(14.0 * secondsBetween(phaseStart, requestEnd) / limit);
            run.report(phase.progressBase + std::min(14, step), message);
        }
    }
    if (writing)
        file.flush();
    const double seconds = secondsSince(phaseStart);

    metric.operations = operations;
    metric.bytes = operations * kBlockBytes;
    metric.seconds = seconds;
    metric.value = ratePerSecond(operations, seconds);
    fillLatencyPercentiles(metric, latencies);
    result.metrics.push_back(std::move(metric));
}

}  // namespace

void runRandomReadAndWrite(RunContext& run) {
    // One sequence for both phases: the writes continue where the reads stopped.
    RandomBlockSequence blocks(run.result.options.testBytes / kBlockBytes);
    runRandomPhase(run, blocks,
                   {Direction::Read, metric_id::kRandomRead, "Random read / 4 KiB QD1", 50});
    runRandomPhase(run, blocks,
                   {Direction::Write, metric_id::kRandomWrite, "Random write / 4 KiB QD1", 65});
}

}  // namespace orvane
