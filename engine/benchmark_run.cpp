#include "engine/benchmark_run.h"
#include "engine/guarded_run.h"

#include <array>
#include <chrono>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "engine/fresh_run_assessment.h"
#include "engine/monotonic_clock.h"
#include "engine/run_context.h"
#include "engine/run_option_rules.h"
#include "engine/scratch_folder.h"
#include "engine/test_pattern.h"
#include "engine/utc_timestamp.h"
#include "platform/random_bytes.h"
#include "platform/text_encoding.h"
#include "storage/target_inspection.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUnknownFailureMessage = "Unexpected failure inside the test.";

std::string currentUtcTimestamp() {
    const auto now = std::chrono::system_clock::now();
    return formatUtcTimestamp(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
}

// Steps up to the end of the measured phases; everything it allocates is released on return.
void runGuardedSection(RunResult& result, const std::atomic<bool>& cancelRequested,
                       const ProgressCallback& progress, const DiskFileFactory& openFile,
                       std::vector<fs::path>& createdFiles) {
    validateRunOptions(result.options);
    RunContext run{result, cancelRequested, progress, openFile, createdFiles, {}, {}, {}, {}, {}};
    run.throwIfCancelled();

    // A missing folder gets the target's own message, not the library's canonical() text.
    result.options.folder = fs::canonical(requireExistingFolder(result.options.folder));
    result.volume = inspectTarget(result.options.folder);
    requireFreeSpace(result.volume.freeBytesBefore, result.options);
    result.scratchFolder = createScratchFolder(result.options.folder);

    run.testFilePath = result.scratchFolder / kTestFileName;
    run.testFile = openFile(run.testFilePath, true);
    createdFiles.push_back(run.testFilePath);

    run.payload = AlignedBuffer(kMiB);
    run.readBuffer = AlignedBuffer(kMiB);
    run.requestBuffer = AlignedBuffer(kBlockBytes);
    fillRandom(run.payload.data(), run.payload.size());

    runSequentialWrite(run);
    runSequentialRead(run);
    runRandomReadAndWrite(run);
    verifyTestFile(run);
    runSmallFilePhases(run);
}

}  // namespace

RunResult runBenchmark(const RunOptions& options, const std::atomic<bool>& cancelRequested,
                       const ProgressCallback& progress, const DiskFileFactory& factory) {
    static const DiskFileFactory platformFactory = openPlatformFile;

    RunResult result;
    result.options = options;
    result.timestampUtc = currentUtcTimestamp();
    const Instant start = MonotonicClock::now();
    const DiskFileFactory& openFile = factory ? factory : platformFactory;
    std::vector<fs::path> createdFiles;

    result.status = statusOfGuardedSection(
        [&] {
            runGuardedSection(result, cancelRequested, progress, openFile, createdFiles);
            result.verified = true;
        },
        result.error, kUnknownFailureMessage);

    result.cleaned = removeCreatedFiles(createdFiles, result.scratchFolder);
    result.elapsedSeconds = secondsSince(start);
    if (!result.cleaned) {
        result.error +=
            " Cleanup incomplete. Remove only this run's test folder after checking it: " +
            toUtf8(result.scratchFolder.native());
        if (result.status == RunStatus::kCompleted)
            result.status = RunStatus::kCleanupWarning;
    }
    result.assessment = assessFreshRun(result);

    if (progress) {
        const std::string message =
            result.error.empty() ? std::string(runStatusText(result.status))
                                 : runStatusText(result.status) + std::string(": ") + result.error;
        try {
            progress(Progress{100, message});
        } catch (...) {
            // The result is final; a failing last notice must not turn into a thrown run.
        }
    }
    return result;
}

}  // namespace orvane
