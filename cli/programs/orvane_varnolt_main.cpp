// orvane-varnolt: the command-line benchmark of the Linux build.
#include <cstdio>
#include <cstring>

#include "cli/run_command_line.h"

namespace {

constexpr const char* kUsage =
    "Usage: orvane-varnolt --benchmark FOLDER --report FILE [--size-mib N] [--seconds X]\n"
    "                      [--files N] [--model-gb X]\n"
    "       orvane-varnolt --full-check FOLDER --report FILE [--limit-gib N] [--model-gb X]\n"
    "                      [--model-file PATH]\n"
    "Benchmarks FOLDER, or fills and verifies its free space, and writes a new JSON report FILE\n"
    "(the full check adds a CSV and an SVG beside it). Nothing else is printed.\n"
    "Exit codes: 0 completed, 2 report written but the run did not complete, 3 no report.\n";

}  // namespace

int main(int argc, char** argv) {
    // Without options the Windows program opens its window or the dialog preview; Linux has
    // neither.
    if (argc == 1 || (argc == 2 && std::strcmp(argv[1], "--preview-format-dialog") == 0)) {
        std::fputs(kUsage, stderr);
        return orvane::kExitFailed;
    }
    return RunCommandLine(argc, argv);
}
