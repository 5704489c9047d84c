#pragma once
// The command-line benchmark's options, parsed from the argument vector.

#include <filesystem>
#include <optional>
#include <vector>

#include "engine/full_check.h"
#include "engine/run_records.h"

namespace orvane {

struct CommandLineRequest {
    RunOptions options;
    std::optional<FullCheckOptions> fullCheck;  // --full-check instead of --benchmark
    std::filesystem::path reportPath;
    bool quiet = false;  // no progress line
};

// arguments[0] is the program and is ignored. Throws with the user's message on any bad option.
CommandLineRequest parseCommandLineOptions(const std::vector<NativeString>& arguments);

}  // namespace orvane
