// orvane-varnolt: the command-line benchmark of the Linux build.
#include <cstdio>
#include <cstring>

#include "cli/run_command_line.h"
#include "orvane_version.h"

namespace {

constexpr const char* kUsage =
    "Usage: orvane-varnolt --benchmark FOLDER --report FILE [--size-mib N] [--seconds X]\n"
    "                      [--files N] [--model-gb X]\n"
    "       orvane-varnolt --help | --version\n"
    "Benchmarks FOLDER and writes a new JSON report FILE. Nothing else is printed.\n"
    "Exit codes: 0 completed, 2 report written but the run did not complete, 3 no report.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return orvane::kExitCompleted;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("orvane-varnolt " ORVANE_VERSION_TEXT);
        return orvane::kExitCompleted;
    }
    // Without options the Windows program opens its window or the dialog preview; Linux has
    // neither.
    if (argc == 1 || (argc == 2 && std::strcmp(argv[1], "--preview-format-dialog") == 0)) {
        std::fputs(kUsage, stderr);
        return orvane::kExitFailed;
    }
    return RunCommandLine(argc, argv);
}
