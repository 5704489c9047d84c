#pragma once
// Shell commands for tests that set up real volumes (loop devices, mkfs, mount) as root.

#include <string>

namespace orvane::testing {

// True when the command exits 0; its output is discarded.
bool shellSucceeds(const std::string& command);

// The command's first line of output, without the line end; empty when it fails or prints
// nothing.
std::string shellFirstLine(const std::string& command);

}  // namespace orvane::testing
