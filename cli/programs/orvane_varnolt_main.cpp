// orvane-varnolt: the command-line benchmark of the Linux build.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/interrupt_signals.h"
#include "cli/leftovers_command.h"
#include "cli/run_command_line.h"
#include "orvane_version.h"

namespace {

constexpr const char* kUsage =
    "Usage: orvane-varnolt --benchmark FOLDER --report FILE [--size-mib N] [--seconds X]\n"
    "                      [--files N] [--model-gb X] [--quiet]\n"
    "       orvane-varnolt --full-check FOLDER --report FILE [--limit-gib N] [--model-gb X]\n"
    "                      [--model-file PATH] [--quiet]\n"
    "       orvane-varnolt --remove-leftovers FOLDER\n"
    "       orvane-varnolt --help | --version\n"
    "Benchmarks FOLDER, or fills and verifies its free space (--full-check, which adds a CSV and\n"
    "an SVG beside the report), and writes a new JSON report FILE. Progress goes to a terminal's\n"
    "standard error; Ctrl-C stops the run, removes its files and still writes the report.\n"
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
    if (std::strcmp(argv[1], "--remove-leftovers") == 0) {
        if (argc != 3) {
            std::cerr << "orvane-varnolt: --remove-leftovers needs exactly one FOLDER\n";
            return orvane::kExitFailed;
        }
        return orvane::removeLeftoversCommand(argv[2], std::cout, std::cerr);
    }
    try {
        orvane::installInterruptHandlers();
    } catch (const std::exception& error) {
        std::cerr << "orvane-varnolt: " << error.what() << "\n";
        return orvane::kExitFailed;
    }
    try {
        std::vector<orvane::NativeString> arguments(argv, argv + argc);
        orvane::CommandLineTerminal terminal;
        terminal.messages = &std::cerr;
        terminal.progressLine = ::isatty(STDERR_FILENO) == 1;
        terminal.cancelRequested = &orvane::interruptRequested();
        return orvane::runCommandLineBenchmark(arguments, {}, terminal);
    } catch (...) {
        return orvane::kExitFailed;
    }
}
