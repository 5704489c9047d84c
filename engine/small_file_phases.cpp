// Many 16 KiB files: durable creation through the buffered path, then warm reads with checks.
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/monotonic_clock.h"
#include "engine/run_context.h"
#include "engine/run_option_rules.h"
#include "engine/statistics.h"
#include "engine/test_pattern.h"
#include "storage/small_file.h"

namespace orvane {

namespace {

constexpr const char* kWriteMessage = "Creating and flushing 16 KiB history/output files...";
constexpr const char* kReadMessage = "Reading and checking history/output files (warm cache)...";
constexpr const char* kIncompleteReadMessage = "Could not read complete small file.";
constexpr const char* kMismatchMessage = "Small-file integrity mismatch.";

std::filesystem::path smallFilePath(const RunContext& run, std::int32_t index) {
    return run.result.scratchFolder / smallFileName(index);
}

Metric smallFileMetric(const char* id, const char* name, const char* note, std::int32_t files,
                       double seconds, const std::vector<double>& latencies) {
    Metric metric;
    metric.id = id;
    metric.name = name;
    metric.unit = "files/s";
    metric.note = note;
    metric.seconds = seconds;
    metric.operations = static_cast<std::uint64_t>(files);
    metric.bytes = metric.operations * kSmallFileBytes;
    metric.value = ratePerSecond(metric.operations, seconds);
    fillLatencyPercentiles(metric, latencies);
    return metric;
}

void writeSmallFiles(RunContext& run, std::vector<double>& latencies) {
    const std::int32_t files = run.result.options.smallFiles;
    std::uint8_t* const payload = run.payload.data();

    const Instant phaseStart = MonotonicClock::now();
    for (std::int32_t index = 0; index < files; ++index) {
        run.throwIfCancelled();
        const auto path = smallFilePath(run, index);
        tagBlocks(payload, std::uint64_t{kSmallFileBytes} * static_cast<std::uint64_t>(index),
                  kSmallFileBytes);
        const Instant requestStart = MonotonicClock::now();
        writeSmallFile(path, payload, kSmallFileBytes, [&] { run.createdFiles.push_back(path); });
        const Instant requestEnd = MonotonicClock::now();
        latencies.push_back(millisecondsBetween(requestStart, requestEnd));
        run.result.bytesWritten += kSmallFileBytes;
        run.report(90 + 4 * index / files, kWriteMessage);
    }
    const double seconds = secondsSince(phaseStart);

    run.result.metrics.push_back(smallFileMetric(
        metric_id::kSmallFileWrite, "Small file create + flush / 16 KiB",
        "Buffered filesystem path, durable flush requested per file; includes open and close.",
        files, seconds, latencies));
}

void readSmallFiles(RunContext& run, std::vector<double>& latencies) {
    const std::int32_t files = run.result.options.smallFiles;
    std::uint8_t* const payload = run.payload.data();
    std::vector<char> buffer(kSmallFileBytes, 0);

    latencies.clear();
    const Instant phaseStart = MonotonicClock::now();
    for (std::int32_t index = 0; index < files; ++index) {
        run.throwIfCancelled();
        const Instant requestStart = MonotonicClock::now();
        {
            std::ifstream in(smallFilePath(run, index), std::ios::binary);
            in.read(buffer.data(), kSmallFileBytes);
            if (!in || in.gcount() != static_cast<std::streamsize>(kSmallFileBytes)) {
                throw std::runtime_error(kIncompleteReadMessage);
            }
        }
        latencies.push_back(millisecondsBetween(requestStart, MonotonicClock::now()));
        tagBlocks(payload, std::uint64_t{kSmallFileBytes} * static_cast<std::uint64_t>(index),
                  kSmallFileBytes);
        if (std::memcmp(buffer.data(), payload, kSmallFileBytes) != 0) {
            throw std::runtime_error(kMismatchMessage);
        }
        run.report(95 + 3 * index / files, kReadMessage);
    }
    const double seconds = secondsSince(phaseStart);

    run.result.metrics.push_back(smallFileMetric(
        metric_id::kSmallFileRead, "Small file read / 16 KiB (warm)",
        "Buffered warm-cache application behavior; not physical read speed. Throughput includes "
        "verification.",
        files, seconds, latencies));
}

}  // namespace

void runSmallFilePhases(RunContext& run) {
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(run.result.options.smallFiles));
    writeSmallFiles(run, latencies);
    readSmallFiles(run, latencies);
}

}  // namespace orvane
