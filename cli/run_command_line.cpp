#include "cli/run_command_line.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "cli/command_line_options.h"
#include "cli/full_check_command.h"
#include "cli/leftovers_command.h"
#include "cli/progress_line.h"
#include "engine/benchmark_run.h"
#include "platform/text_encoding.h"
#include "reports/report_json_writer.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "orvane-varnolt: ";

std::string pathText(const fs::path& path) {
    return toUtf8(path.native());
}

// Redraws one line in place; ends it once the run is over.
class ProgressLine {
  public:
    explicit ProgressLine(std::ostream& out) : out_(out) {}
    ~ProgressLine() {
        if (!shown_.empty())
            out_ << "\n" << std::flush;
    }
    void show(const Progress& progress) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const std::string line = progressLineText(progress.percent, progress.message, elapsed);
        if (line == shown_)
            return;
        shown_ = line;
        out_ << "\r" << line << "\x1b[K" << std::flush;  // erase the rest of a longer line
    }

  private:
    std::ostream& out_;
    std::string shown_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void requireFolder(const fs::path& folder, const char* what) {
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (!fs::exists(status))
        throw std::runtime_error(std::string(what) + " does not exist: " + pathText(folder));
}

// The full check: the same checks before it starts, the same terminal and cancel flag.
int runFullCheck(CommandLineRequest& request, const std::atomic<bool>& cancel,
                 const DiskFileFactory& factory, const CommandLineTerminal& terminal) {
    requireFolder(request.fullCheck->folder, "the folder to check");
    requireNewReportPath(request.reportPath);
    if (terminal.messages)
        reportLeftovers(request.fullCheck->folder, *terminal.messages);
    int code = kExitCompleted;
    {
        ProgressCallback progress;
        std::unique_ptr<ProgressLine> line;
        if (terminal.messages && terminal.progressLine && !request.quiet) {
            line = std::make_unique<ProgressLine>(*terminal.messages);
            progress = [&line](const Progress& update) { line->show(update); };
        }
        code = runFullCheckCommand(request, cancel, progress, factory);
    }
    if (code != kExitCompleted && terminal.messages) {
        *terminal.messages << kProgram << "the full check found lost data or did not complete"
                           << " (report written to " << pathText(request.reportPath) << ")\n";
    }
    return code;
}

int runOrThrow(const std::vector<NativeString>& arguments, const DiskFileFactory& factory,
               const CommandLineTerminal& terminal) {
    CommandLineRequest request = parseCommandLineOptions(arguments);
    // Not canonical: a final symbolic link is the path the user named, dangling or not.
    request.reportPath = fs::absolute(request.reportPath);
    static const std::atomic<bool> neverCancelled{false};
    const std::atomic<bool>& cancel =
        terminal.cancelRequested ? *terminal.cancelRequested : neverCancelled;
    if (request.fullCheck)
        return runFullCheck(request, cancel, factory, terminal);

    requireFolder(request.options.folder, "the folder to benchmark");
    requireNewReportPath(request.reportPath);
    if (terminal.messages)
        reportLeftovers(request.options.folder, *terminal.messages);
    RunResult result;
    {
        ProgressCallback progress;
        std::unique_ptr<ProgressLine> line;
        if (terminal.messages && terminal.progressLine && !request.quiet) {
            line = std::make_unique<ProgressLine>(*terminal.messages);
            progress = [&line](const Progress& update) { line->show(update); };
        }
        result = runBenchmark(request.options, cancel, progress, factory);
    }
    const std::string report = writeReportJson(result, std::string());
    // Create-new: a report that appeared since the check above is never overwritten.
    try {
        writeNewReportFile(request.reportPath, report);
    } catch (const std::exception& error) {
        throw std::runtime_error("the report could not be written: " + std::string(error.what()));
    }
    if (result.status == RunStatus::kCompleted)
        return kExitCompleted;
    if (terminal.messages) {
        *terminal.messages << kProgram << "run " << runStatusText(result.status)
                           << " (report written to " << pathText(request.reportPath) << ")"
                           << (result.error.empty() ? "" : ": " + result.error) << "\n";
    }
    return kExitReportedNotCompleted;
}

}  // namespace

void requireNewReportPath(const fs::path& path) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error)))
        throw std::runtime_error("the report file already exists: " + pathText(path));
    const fs::path folder = path.parent_path();
    const auto status = fs::status(folder, error);
    if (!fs::exists(status))
        throw std::runtime_error("the report's folder does not exist: " + pathText(folder));
    if (!fs::is_directory(status))
        throw std::runtime_error("the report's folder is not a folder: " + pathText(folder));
}

int runCommandLineBenchmark(const std::vector<NativeString>& arguments,
                            const DiskFileFactory& factory, const CommandLineTerminal& terminal) {
    try {
        return runOrThrow(arguments, factory, terminal);
    } catch (const std::exception& error) {
        // The Windows mode has no console: the exit code is its only word.
        if (terminal.messages)
            *terminal.messages << kProgram << error.what() << "\n";
    } catch (...) {
        if (terminal.messages)
            *terminal.messages << kProgram << "unexpected failure\n";
    }
    return kExitFailed;
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
