#pragma once
// The full check: fill the free space with stamped sectors, time the write curve, read every
// sector back uncached and classify it, optionally time the user's model file, clean up.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_records.h"
#include "engine/write_curve.h"
#include "storage/disk_file.h"
#include "storage/read_only_file.h"
#include "storage/volume_info.h"

namespace orvane {

inline constexpr std::uint64_t kMaximumFillFileBytes = kGiB;  // FAT32 holds less than 4 GiB
inline constexpr const char* kFillFileNamePrefix = "fill-";
inline constexpr const char* kFillFileNameSuffix = ".bin";

struct FullCheckOptions {
    std::filesystem::path folder;
    std::optional<std::uint64_t> limitBytes;  // instead of the free space less the margin
    double modelGB = 6.6;
    std::filesystem::path modelFile;  // empty: none
    CurveRules curve;
    std::uint64_t fileBytes = kMaximumFillFileBytes;  // whole MiB, at most 1 GiB
};

// Bytes of the fill by what reading them back found.
struct SectorTally {
    std::uint64_t intact = 0;
    std::uint64_t wrapped = 0;
    std::uint64_t foreign = 0;
    std::uint64_t changed = 0;
    std::uint64_t unreadable = 0;

    std::uint64_t total() const { return intact + wrapped + foreign + changed + unreadable; }
};

struct ModelFileRead {
    std::filesystem::path path;
    std::uint64_t bytes = 0;
    double seconds = 0.0;
    double estimatedSeconds = 0.0;  // the benchmark's formula at this check's read rate

    double mebibytesPerSecond() const;
};

struct FullCheckResult {
    FullCheckOptions options;
    VolumeInfo volume;
    std::string timestampUtc;
    RunStatus status = RunStatus::kRunning;
    std::string error;
    std::string verdict;
    std::filesystem::path scratchFolder;
    std::uint64_t marginBytes = 0;
    std::uint64_t plannedBytes = 0;
    std::uint64_t filledBytes = 0;
    SectorTally tally;
    std::optional<std::uint64_t> firstBadPosition;
    std::vector<CurveSlice> writeCurve;
    std::vector<CurveSlice> readCurve;
    WriteCurveSummary write;
    double readRateMiBps = 0.0;
    std::optional<ModelFileRead> modelFile;
    bool cleaned = false;
    double elapsedSeconds = 0.0;

    // The capacity that held data: the intact bytes.
    std::uint64_t usableBytes() const { return tally.intact; }
    bool everyByteIntact() const;
};

// The name of the index-th fill file: "fill-00000.bin", "fill-00001.bin", ...
std::string fillFileName(std::uint64_t index);

// What the fill leaves free: 256 MiB or 1 % of the volume, whichever is larger.
std::uint64_t fillMarginBytes(std::uint64_t totalBytes);

// The bytes to fill, in whole MiB; throws when the limit does not fit or nothing would.
std::uint64_t plannedFillBytes(std::uint64_t freeBytes, std::uint64_t totalBytes,
                               const std::optional<std::uint64_t>& limitBytes);

// The verdict in plain words, from the finished result.
std::string fullCheckVerdict(const FullCheckResult& result);

// Never throws; whatever it created is removed in every case. Empty openers select the platform's
// uncached files. The model file is only ever read.
FullCheckResult runFullCheck(const FullCheckOptions& options,
                             const std::atomic<bool>& cancelRequested,
                             const ProgressCallback& progress, const DiskFileFactory& factory = {},
                             const ReadOnlyFileOpener& openModelFile = {});

}  // namespace orvane
