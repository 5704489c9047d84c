#pragma once
// The scratch folder every run writes into, and the removal of exactly what a run created.

#include <filesystem>
#include <vector>

namespace orvane {

// Creates folder/.orvane-varnolt-<32 hex> (never recursively: folder must exist).
std::filesystem::path createScratchFolder(const std::filesystem::path& folder);

// Removes only these files, in order, then the scratch folder if it is empty; a path already gone
// is no error. False when anything could not be removed.
bool removeCreatedFiles(const std::vector<std::filesystem::path>& createdFiles,
                        const std::filesystem::path& scratchFolder);

}  // namespace orvane
