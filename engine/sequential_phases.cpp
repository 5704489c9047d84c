// The two 1 MiB sequential phases and the write quarters.
#include <numeric>
#include <vector>

#include "engine/monotonic_clock.h"
#include "engine/run_context.h"
#include "engine/statistics.h"
#include "engine/test_pattern.h"
#include "storage/sequential_write_preparation.h"

namespace orvane {

namespace {

constexpr const char* kWriteMessage =
    "Writing model-sized data (cache bypass requested, durable flush)...";
constexpr const char* kReadMessage = "Reading model-sized data (uncached)...";
constexpr const char* kQuarterNote = "Diagnostic window, not a sustained cache-exhaustion test.";

// Notices go out after MiB 0, 8, 16, ...
constexpr bool isProgressMebibyte(std::uint64_t index) {
    return index % 8 == 0;
}

std::int32_t phasePercent(std::int32_t base, std::int32_t span, std::uint64_t index,
                          std::uint64_t count) {
    return base + static_cast<std::int32_t>(span * static_cast<std::int64_t>(index) /
                                            static_cast<std::int64_t>(count));
}

void appendWriteQuarters(RunResult& result, const std::vector<double>& writeMilliseconds) {
    const std::size_t quarter = writeMilliseconds.size() / 4;
    const auto span = static_cast<std::ptrdiff_t>(quarter);
    const double first =
        std::accumulate(writeMilliseconds.begin(), writeMilliseconds.begin() + span, 0.0);
    const double last =
        std::accumulate(writeMilliseconds.end() - span, writeMilliseconds.end(), 0.0);
    const std::uint64_t quarterBytes = quarter * std::uint64_t{kMiB};

    Metric firstQuarter = makeThroughputMetric(
        metric_id::kWriteFirstQuarter, "Write / first quarter", quarterBytes, first / 1000.0);
    firstQuarter.note = kQuarterNote;
    result.metrics.push_back(firstQuarter);

    Metric lastQuarter = makeThroughputMetric(metric_id::kWriteLastQuarter, "Write / last quarter",
                                              quarterBytes, last / 1000.0);
    lastQuarter.note = kQuarterNote;
    result.metrics.push_back(lastQuarter);
}

}  // namespace

void runSequentialWrite(RunContext& run) {
    RunResult& result = run.result;
    DiskFile& file = *run.testFile;
    const std::uint64_t count = run.testMebibytes();
    std::uint8_t* const payload = run.payload.data();
    std::vector<double> writeMilliseconds;
    writeMilliseconds.reserve(count);

    prepareSequentialWrite(file, result.options.testBytes);

    const Instant phaseStart = MonotonicClock::now();
    for (std::uint64_t index = 0; index < count; ++index) {
        run.throwIfCancelled();
        const std::uint64_t offset = index * kMiB;
        tagBlocks(payload, offset, kMiB);
        const Instant requestStart = MonotonicClock::now();
        file.writeAt(offset, payload, kMiB);
        const Instant requestEnd = MonotonicClock::now();
        writeMilliseconds.push_back(millisecondsBetween(requestStart, requestEnd));
        result.bytesWritten += kMiB;
        if (isProgressMebibyte(index))
            run.report(phasePercent(5, 24, index, count), kWriteMessage);
    }
    file.flush();
    const double seconds = secondsSince(phaseStart);

    result.metrics.push_back(makeThroughputMetric(metric_id::kSequentialWrite,
                                                  "Sequential write / 1 MiB",
                                                  result.options.testBytes, seconds));
    appendWriteQuarters(result, writeMilliseconds);
    run.testFile.reset();
}

void runSequentialRead(RunContext& run) {
    run.reopenTestFile();
    DiskFile& file = *run.testFile;
    const std::uint64_t count = run.testMebibytes();
    std::uint8_t* const buffer = run.readBuffer.data();

    const Instant phaseStart = MonotonicClock::now();
    for (std::uint64_t index = 0; index < count; ++index) {
        run.throwIfCancelled();
        file.readAt(index * kMiB, buffer, kMiB);
        if (isProgressMebibyte(index))
            run.report(phasePercent(30, 19, index, count), kReadMessage);
    }
    const double seconds = secondsSince(phaseStart);

    run.result.metrics.push_back(makeThroughputMetric(metric_id::kSequentialRead,
                                                      "Sequential read / 1 MiB",
                                                      run.result.options.testBytes, seconds));
}

}  // namespace orvane
