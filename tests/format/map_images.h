#pragma once
// Disk images with at most one fault each in their raw partition map, for the script's map check.

#include <filesystem>
#include <string>

namespace orvane::testing {

// Writes one image per case into dir; answers one line per case,
// "image|sector|disk bytes|gpt|offset|extent|expected", expected being "OK" or the refusal text.
std::string writeMapImages(const std::filesystem::path& dir);

}  // namespace orvane::testing
