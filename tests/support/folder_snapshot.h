#pragma once
// What a folder holds, to prove that a run left the user's files exactly as they were.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace orvane::testing {

// Entry name (UTF-8) to a hash of its bytes; folders map to 0 and are not entered.
using FolderSnapshot = std::map<std::string, std::uint64_t>;

FolderSnapshot snapshotFolder(const std::filesystem::path& folder);

}  // namespace orvane::testing
