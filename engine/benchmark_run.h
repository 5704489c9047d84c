#pragma once
// The benchmark itself: set-up, the seven measured phases, verification, cleanup and rating.

#include <atomic>

#include "engine/run_records.h"
#include "storage/disk_file.h"

namespace orvane {

// Never throws: failures and cancellation end in the result's status and error, and whatever the
// run created is removed in every case. An empty factory selects openPlatformFile.
RunResult runBenchmark(const RunOptions& options, const std::atomic<bool>& cancelRequested,
                       const ProgressCallback& progress, const DiskFileFactory& factory = {});

}  // namespace orvane
