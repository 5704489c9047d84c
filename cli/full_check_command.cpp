#include "cli/full_check_command.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "cli/run_command_line.h"
#include "engine/full_check.h"
#include "reports/full_check_report.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

bool hasExtension(const fs::path& path, const char* extension) {
    NativeString actual = path.extension().native();
    for (auto& c : actual) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<NativeString::value_type>(c - 'A' + 'a');
    }
    return actual == fs::path(extension).native();
}

}  // namespace

int runFullCheckCommand(const CommandLineRequest& request, const std::atomic<bool>& cancelRequested,
                        const ProgressCallback& progress, const DiskFileFactory& factory) {
    const fs::path report = fs::weakly_canonical(request.reportPath);
    if (hasExtension(report, ".csv") || hasExtension(report, ".svg"))
        throw std::runtime_error("The report is the JSON file; its CSV and SVG go beside it.");
    const std::vector<fs::path> paths = {besideReport(report, ".csv"), besideReport(report, ".svg"),
                                         report};
    for (const fs::path& path : paths) {
        if (fs::exists(path))
            throw std::runtime_error("CLI report already exists; choose a new report filename.");
    }
    (void)fs::canonical(request.fullCheck->folder);

    const FullCheckResult result =
        runFullCheck(*request.fullCheck, cancelRequested, progress, factory);
    // Every text exists before the first file does: a failure here leaves nothing behind.
    const std::vector<std::string> texts = {writeFullCheckCsv(result), writeFullCheckSvg(result),
                                            writeFullCheckJson(result)};

    std::size_t written = 0;
    try {
        for (; written < paths.size(); ++written)
            writeNewReportFile(paths[written], texts[written]);
    } catch (...) {
        // Only the files this call created; the one that failed was never ours if it existed.
        for (std::size_t i = 0; i < written; ++i) {
            std::error_code ignored;
            fs::remove(paths[i], ignored);
        }
        throw;
    }
    const bool proven = result.status == RunStatus::kCompleted && result.everyByteIntact();
    return proven ? kExitCompleted : kExitReportedNotCompleted;
}

}  // namespace orvane
