#pragma once
// The plain records that carry one benchmark run through the system.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_status.h"
#include "platform/native_string.h"
#include "storage/volume_info.h"

namespace orvane {

struct RunOptions {
    std::filesystem::path folder;
    std::uint64_t testBytes = 1024ull * 1024 * 1024;
    double randomSecondsPerPhase = 8.0;
    std::int32_t smallFiles = 200;
    double modelGB = 6.6;
    std::string profile = "Standard";
};

struct Metric {
    std::string id;
    std::string name;
    std::string unit;
    std::string note;
    double value = 0.0;
    double p50ms = 0.0;
    double p95ms = 0.0;
    double p99ms = 0.0;
    double maxms = 0.0;
    std::uint64_t operations = 0;
    std::uint64_t bytes = 0;
    double seconds = 0.0;
};

namespace metric_id {
inline constexpr const char* kSequentialWrite = "sequential_write";
inline constexpr const char* kWriteFirstQuarter = "write_first_quarter";
inline constexpr const char* kWriteLastQuarter = "write_last_quarter";
inline constexpr const char* kSequentialRead = "sequential_read";
inline constexpr const char* kRandomRead = "random_read";
inline constexpr const char* kRandomWrite = "random_write";
inline constexpr const char* kSmallFileWrite = "small_file_write";
inline constexpr const char* kSmallFileRead = "small_file_read";
}  // namespace metric_id

struct RunResult {
    RunOptions options;
    VolumeInfo volume;
    std::string timestampUtc;
    RunStatus status = RunStatus::kRunning;
    std::string error;
    std::string assessment;
    std::filesystem::path scratchFolder;
    std::vector<Metric> metrics;
    bool verified = false;
    bool cleaned = false;
    std::uint64_t bytesWritten = 0;
    double elapsedSeconds = 0.0;
};

struct Progress {
    std::int32_t percent = 0;
    std::string message;
};

using ProgressCallback = std::function<void(const Progress&)>;

// Thrown inside the run when the caller's cancel flag is seen; never leaves runBenchmark.
class Cancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "Test cancelled"; }
};

}  // namespace orvane
