#pragma once
// The window-less benchmark: one run, one JSON report file, the outcome as the exit code.

#include <atomic>
#include <iosfwd>
#include <vector>

#include "engine/run_records.h"
#include "storage/disk_file.h"

namespace orvane {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitReportedNotCompleted = 2;
inline constexpr int kExitFailed = 3;

// What the Linux program adds around a run; the default is the Windows program's silent mode.
struct CommandLineTerminal {
    // One line saying why for exit 3, the status and error for exit 2, leftovers before a run.
    std::ostream* messages = nullptr;
    // A line redrawn in place on messages (a terminal); --quiet turns it off.
    bool progressLine = false;
    // The run stops at its next request once this is set (SIGINT, SIGTERM, SIGHUP).
    const std::atomic<bool>* cancelRequested = nullptr;
};

// arguments[0] is the program. Never throws. The factory is for tests.
int runCommandLineBenchmark(const std::vector<NativeString>& arguments,
                            const DiskFileFactory& factory = {},
                            const CommandLineTerminal& terminal = {});

// Refuses, before anything is written, a report path that exists in any form (a dangling link
// too) or whose folder is missing or not a folder. path is absolute.
void requireNewReportPath(const std::filesystem::path& path);

// Writes text as a file that must not exist yet, durably; throws when it cannot, after removing
// the file it created.
void writeNewReportFile(const std::filesystem::path& path, const std::string& text);

}  // namespace orvane

// argv[0] is the program; options start at argv[1]. Returns 0, 2 or 3.
int RunCommandLine(int argc, orvane::NativeString::value_type** argv);
