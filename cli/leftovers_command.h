#pragma once
// What the terminal says about leftovers of killed runs, and the command that removes them.

#include <filesystem>
#include <iosfwd>
#include <string>

#include "engine/run_leftovers.h"

namespace orvane {

// "PATH (700.0 MiB, 3 min old)"
std::string leftoverText(const Leftover& leftover, std::filesystem::file_time_type now);

// One line per leftover in folder on err, before a run; silent when there is none or when the
// folder cannot be listed (the run then says why).
void reportLeftovers(const std::filesystem::path& folder, std::ostream& err);

// orvane-varnolt --remove-leftovers FOLDER: prints what it removed on out; 0 when every
// leftover went, 3 (with the reason on err) when none was found or one stays.
int removeLeftoversCommand(const std::filesystem::path& folder, std::ostream& out,
                           std::ostream& err);

}  // namespace orvane
