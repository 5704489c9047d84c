#pragma once
// The window-less benchmark: one run, one JSON report file, the outcome as the exit code.

#include <vector>

#include "engine/run_records.h"
#include "storage/disk_file.h"

namespace orvane {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitReportedNotCompleted = 2;
inline constexpr int kExitFailed = 3;

// arguments[0] is the program. Never throws; nothing is printed. The factory is for tests.
int runCommandLineBenchmark(const std::vector<NativeString>& arguments,
                            const DiskFileFactory& factory = {});

// Writes text as a file that must not exist yet, durably; throws when it cannot.
void writeNewReportFile(const std::filesystem::path& path, const std::string& text);

}  // namespace orvane

// argv[0] is the program; options start at argv[1]. Returns 0, 2 or 3.
int RunCommandLine(int argc, orvane::NativeString::value_type** argv);
