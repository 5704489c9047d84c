#pragma once
// State of one run shared by its phases (internal to the run).

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/run_records.h"
#include "platform/byte_units.h"
#include "storage/aligned_buffer.h"
#include "storage/disk_file.h"

namespace orvane {

struct RunContext {
    RunResult& result;
    const std::atomic<bool>& cancelRequested;
    const ProgressCallback& progress;
    const DiskFileFactory& openFile;
    // Appended right after each file exists; cleanup removes them in this order.
    std::vector<std::filesystem::path>& createdFiles;

    std::filesystem::path testFilePath;
    std::unique_ptr<DiskFile> testFile;
    AlignedBuffer payload;
    AlignedBuffer readBuffer;
    AlignedBuffer requestBuffer;

    std::uint64_t testMebibytes() const { return result.options.testBytes / kMiB; }

    void throwIfCancelled() const {
        if (cancelRequested.load(std::memory_order_relaxed))
            throw Cancelled();
    }

    void report(std::int32_t percent, const std::string& message) const {
        if (progress)
            progress(Progress{percent, message});
    }

    // The test file is closed before every reopening.
    void reopenTestFile() {
        testFile.reset();
        testFile = openFile(testFilePath, false);
    }
};

// The phases in run order; each appends its metrics to the result.
void runSequentialWrite(RunContext& run);
void runSequentialRead(RunContext& run);
void runRandomReadAndWrite(RunContext& run);
void verifyTestFile(RunContext& run);
void runSmallFilePhases(RunContext& run);

}  // namespace orvane
