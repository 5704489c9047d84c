#pragma once
// Decides whether a folder may be benchmarked and reads the facts of its volume. Reads only.

#include <filesystem>

#include "storage/volume_info.h"

namespace orvane {

VolumeInfo inspectTarget(const std::filesystem::path& folder);

// Steps shared by both platforms: an existing folder, made absolute.
std::filesystem::path requireExistingFolder(const std::filesystem::path& folder);

}  // namespace orvane
