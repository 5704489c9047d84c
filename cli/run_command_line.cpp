#include "cli/run_command_line.h"

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "cli/command_line_options.h"
#include "cli/full_check_command.h"
#include "engine/benchmark_run.h"
#include "reports/report_json_writer.h"

namespace orvane {

namespace {

int runOrThrow(const std::vector<NativeString>& arguments, const DiskFileFactory& factory) {
    CommandLineRequest request = parseCommandLineOptions(arguments);
    if (request.fullCheck) {
        const std::atomic<bool> notCancelled{false};
        return runFullCheckCommand(request, notCancelled, {}, factory);
    }
    request.reportPath = std::filesystem::weakly_canonical(request.reportPath);
    // Only a check that the folder resolves; the run gets the text as given.
    (void)std::filesystem::canonical(request.options.folder);
    if (std::filesystem::exists(request.reportPath)) {
        throw std::runtime_error("CLI report already exists; choose a new report filename.");
    }

    const std::atomic<bool> neverCancelled{false};
    const RunResult result = runBenchmark(request.options, neverCancelled, {}, factory);
    const std::string report = writeReportJson(result, std::string());
    // Create-new: a report that appeared since the check above is never overwritten.
    writeNewReportFile(request.reportPath, report);
    return result.status == RunStatus::kCompleted ? kExitCompleted : kExitReportedNotCompleted;
}

}  // namespace

int runCommandLineBenchmark(const std::vector<NativeString>& arguments,
                            const DiskFileFactory& factory) {
    try {
        return runOrThrow(arguments, factory);
    } catch (...) {
        // The mode has no console and no log: the exit code is its only word.
        return kExitFailed;
    }
}

}  // namespace orvane

int RunCommandLine(int argc, orvane::NativeString::value_type** argv) {
    try {
        std::vector<orvane::NativeString> arguments;
        for (int i = 0; i < argc; ++i)
            arguments.emplace_back(argv[i]);
        return orvane::runCommandLineBenchmark(arguments);
    } catch (...) {
        return orvane::kExitFailed;
    }
}
